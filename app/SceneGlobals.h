#pragma once
#include "render/Shader.h"
#include "scene/ViewFrustum.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <memory>

// The long-lived objects of the game, created once by assembleScene in a fixed order and deleted by
// teardownScene while the OpenGL context exists. Everything else holds plain pointers to them.

// The sun: the direction the light travels (normalised on construction) and its colour.
struct SunLight {
    SunLight(const glm::vec3& direction, const glm::vec3& color)
        : direction(glm::normalize(direction)), color(color) {}
    glm::vec3 direction;
    glm::vec3 color;
};

extern std::unique_ptr<tavo::scene::ViewFrustum> viewFrustum;
extern std::unique_ptr<Shader> basicShader;
extern std::unique_ptr<Shader> colorShader;
extern std::unique_ptr<Shader> textShader;
extern std::unique_ptr<Shader> shadowMapShader;
extern std::unique_ptr<Shader> verShader;
extern std::unique_ptr<Shader> horShader;
extern std::unique_ptr<Shader> combineShader;
extern std::unique_ptr<SunLight> sunLight;

// Uniform locations the per-frame code uses, looked up once by assembleScene.
inline GLint basicProjectionLoc = -1;
inline GLint basicViewLoc = -1;
inline GLint basicModelLoc = -1;
inline GLint basicShadowMatrixLoc = -1;
inline GLint colorProjectionLoc = -1;
inline GLint colorViewLoc = -1;
inline GLint colorModelLoc = -1;
inline GLint colorShadowMatrixLoc = -1;
inline GLint textProjectionLoc = -1;
inline GLint textColorLoc = -1;
