#include "app/SceneGlobals.h"

std::unique_ptr<tavo::scene::ViewFrustum> viewFrustum;
std::unique_ptr<Shader> basicShader;
std::unique_ptr<Shader> colorShader;
std::unique_ptr<Shader> textShader;
std::unique_ptr<Shader> shadowMapShader;
std::unique_ptr<Shader> verShader;
std::unique_ptr<Shader> horShader;
std::unique_ptr<Shader> combineShader;
std::unique_ptr<SunLight> sunLight;
