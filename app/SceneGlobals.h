#pragma once
#include "app/GameSound.h"
#include "render/Shader.h"
#include "render/TextRenderer.h"
#include "scene/Boost.h"
#include "scene/Camera.h"
#include "scene/Glow.h"
#include "scene/Hat.h"
#include "scene/LensFlare.h"
#include "scene/Plane.h"
#include "scene/Ring.h"
#include "scene/ShadowMap.h"
#include "scene/SkyBox.h"
#include "scene/Terrain.h"
#include "scene/TextureOverlay.h"
#include "scene/ViewFrustum.h"
#include "util/PhysxHandler.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <memory>

// The long-lived objects of the game, created once by assembleScene in a fixed order and deleted by
// teardownScene while the OpenGL context exists, the physics world last. Everything else holds plain pointers
// to them.

// The sun: the direction the light travels (normalised on construction) and its colour.
struct SunLight {
    SunLight(const glm::vec3& direction, const glm::vec3& color)
        : direction(glm::normalize(direction)), color(color) {}
    glm::vec3 direction;
    glm::vec3 color;
};

extern std::unique_ptr<tavo::scene::ViewFrustum> viewFrustum;
extern std::unique_ptr<tavo::util::PhysxHandler> physxHandler;
extern std::unique_ptr<Shader> basicShader;
extern std::unique_ptr<Shader> colorShader;
extern std::unique_ptr<Shader> textShader;
extern std::unique_ptr<Shader> shadowMapShader;
extern std::unique_ptr<Shader> verShader;
extern std::unique_ptr<Shader> horShader;
extern std::unique_ptr<Shader> combineShader;
extern std::unique_ptr<tavo::scene::Terrain> terrain;
extern std::unique_ptr<tavo::scene::Ring> ring;
extern std::unique_ptr<tavo::scene::Plane> plane;
extern std::unique_ptr<tavo::scene::Camera> camera;
extern std::unique_ptr<tavo::scene::Boost> boost;
extern std::unique_ptr<SunLight> sunLight;
extern std::unique_ptr<TextRenderer> textRenderer;
extern std::unique_ptr<tavo::scene::SkyBox> skyBox;
extern std::unique_ptr<tavo::scene::ShadowMap> shadowMap;
extern std::unique_ptr<tavo::scene::Glow> glow;
extern std::unique_ptr<tavo::scene::Hat> hat;
extern std::unique_ptr<Shader> lensFlareShader;
extern std::unique_ptr<tavo::scene::LensFlare> lensFlare;
extern std::unique_ptr<Shader> textureOverlayShader;
extern std::unique_ptr<tavo::scene::TextureOverlay> fadeOverlay;
extern std::unique_ptr<Shader> textureOverlayUnchangedShader;
extern std::unique_ptr<tavo::scene::TextureOverlay> prizeOverlay;
// Made after everything else and released before the physics world; it holds no OpenGL object.
extern std::unique_ptr<GameSound> gameSound;

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
