#include "app/SceneAssembly.h"

#include "app/GameState.h"
#include "app/Resolution.h"
#include "app/SceneGlobals.h"
#include "render/GlState.h"
#include "scene/InputState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <algorithm>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {

// The constant uniforms of a lit program: the current projection and view, the sun and the ambient level.
void uploadLighting(const Shader& shader, GLint projectionLoc, GLint viewLoc) {
    glUseProgram(shader.programId);
    glUniformMatrix4fv(projectionLoc, 1, GL_FALSE, glm::value_ptr(projectionMatrix));
    glUniformMatrix4fv(viewLoc, 1, GL_FALSE, glm::value_ptr(viewMatrix));
    glUniform3fv(glGetUniformLocation(shader.programId, "sunDirection"), 1,
                 glm::value_ptr(sunLight->direction));
    glUniform3fv(glGetUniformLocation(shader.programId, "sunColor"), 1, glm::value_ptr(sunLight->color));
    glUniform1f(glGetUniformLocation(shader.programId, "ambient"), 0.1f);
}

} // namespace

void assembleScene(GLFWwindow* window) {
    using namespace tavo::scene;
    GlState::setDepthTest(true);
    glfwSetWindowTitle(window, "Windlap");
    const int w = xResolution;
    const int h = yResolution;
    const float aspect = static_cast<float>(w) / static_cast<float>(h);

    createInputState(window);
    viewFrustum = std::make_unique<ViewFrustum>();
    physxHandler = std::make_unique<tavo::util::PhysxHandler>();

    const float fovY = fieldOfViewY(1.0f);
    projectionMatrix = perspectiveProjection(fovY, aspect);
    viewFrustum->setInternals(fovY, aspect, 0.1f, 10000.0f);
    viewMatrix = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -10.0f));

    basicShader = std::make_unique<Shader>(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    colorShader = std::make_unique<Shader>(COLOR, "./Shader/color.vert", "./Shader/color.frag");
    textShader = std::make_unique<Shader>(TEXT, "./Shader/text.vert", "./Shader/text.frag");
    shadowMapShader =
        std::make_unique<Shader>(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
    verShader = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/ver.vert", "./Shader/ver.frag");
    horShader = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/hor.vert", "./Shader/hor.frag");
    combineShader = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/combine.vert", "./Shader/combine.frag");

    const glm::mat4 identity(1.0f);
    const glm::mat4 terrainModel =
        glm::scale(glm::translate(identity, glm::vec3(0.0f, -300.0f, 0.0f)), glm::vec3(10.0f));
    terrain = std::make_unique<Terrain>(terrainModel, colorShader.get(), "./Models/terrain.dae", 10.0f,
                                        physxHandler.get());
    ring = std::make_unique<Ring>(identity, colorShader.get(), "./Models/Ring.dae", physxHandler.get());
    plane =
        std::make_unique<Plane>(identity, basicShader.get(), "./Models/fa-18.dae", "./Textures/fa-18-uv.png",
                                "./Textures/fa-18-glow.png", physxHandler.get());
    camera = std::make_unique<Camera>(15.0f, 1.0f, identity);
    boost = std::make_unique<Boost>(identity, colorShader.get(), "./Models/boost.dae", physxHandler.get());
    sunLight = std::make_unique<SunLight>(glm::vec3(1.0f, -0.5f, 1.0f), glm::vec3(1.0f, 0.9f, 0.8f));
    textRenderer = std::make_unique<TextRenderer>("./Fonts/arial.ttf");
    skyBox = std::make_unique<SkyBox>(projectionMatrix, "./Textures/skybox/right.jpg",
                                      "./Textures/skybox/left.jpg", "./Textures/skybox/top.jpg",
                                      "./Textures/skybox/bottom.jpg", "./Textures/skybox/back.jpg",
                                      "./Textures/skybox/front.jpg");
    shadowMap = std::make_unique<ShadowMap>(identity, &sunLight->direction, shadowMapShader.get());
    glow = std::make_unique<Glow>(identity, w, h, verShader.get(), horShader.get(), combineShader.get());
    hat = std::make_unique<Hat>(identity, colorShader.get(), "./Models/hat.dae", physxHandler.get());
    lensFlareShader =
        std::make_unique<Shader>(SCREEN_SPACE, "./Shader/lensFlare.vert", "./Shader/lensFlare.frag");
    lensFlare = std::make_unique<LensFlare>(
        identity, lensFlareShader.get(), aspect, camera.get(), w, h, "./Textures/lensflare/bloom.jpg",
        "./Textures/lensflare/spike.jpg", "./Textures/lensflare/halo1.jpg", "./Textures/lensflare/halo2.jpg",
        "./Textures/lensflare/ring.jpg");
    textureOverlayShader = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/textureOverlay.vert",
                                                    "./Shader/textureOverlay.frag");
    fadeOverlay =
        std::make_unique<TextureOverlay>(identity, textureOverlayShader.get(), 1.0f, "./Textures/Blacka.png");
    textureOverlayUnchangedShader = std::make_unique<Shader>(
        SCREEN_SPACE, "./Shader/textureOverlayUnchanged.vert", "./Shader/textureOverlayUnchanged.frag");
    prizeOverlay =
        std::make_unique<TextureOverlay>(glm::translate(identity, glm::vec3(0.0f, 0.25f, 0.0f)),
                                         textureOverlayUnchangedShader.get(), aspect, "./Textures/Prize.tif");

    basicProjectionLoc = glGetUniformLocation(basicShader->programId, "projection");
    basicViewLoc = glGetUniformLocation(basicShader->programId, "view");
    basicModelLoc = glGetUniformLocation(basicShader->programId, "model");
    basicShadowMatrixLoc = glGetUniformLocation(basicShader->programId, "M_Vl_Pl_L_Matrix");
    colorProjectionLoc = glGetUniformLocation(colorShader->programId, "projection");
    colorViewLoc = glGetUniformLocation(colorShader->programId, "view");
    colorModelLoc = glGetUniformLocation(colorShader->programId, "model");
    colorShadowMatrixLoc = glGetUniformLocation(colorShader->programId, "M_Vl_Pl_L_Matrix");
    textProjectionLoc = glGetUniformLocation(textShader->programId, "projection");
    textColorLoc = glGetUniformLocation(textShader->programId, "textColor");

    uploadLighting(*basicShader, basicProjectionLoc, basicViewLoc);
    uploadLighting(*colorShader, colorProjectionLoc, colorViewLoc);

    glUseProgram(textShader->programId);
    const glm::mat4 textProjection = glm::ortho(0.0f, static_cast<float>(w), 0.0f, static_cast<float>(h));
    glUniformMatrix4fv(textProjectionLoc, 1, GL_FALSE, glm::value_ptr(textProjection));

    // The blur passes read half-size images: one texel of those.
    // A window narrower than two pixels would divide by zero: its half size counts as one.
    const glm::vec2 halfTexel(1.0f / static_cast<float>(std::max(1, w / 2)),
                              1.0f / static_cast<float>(std::max(1, h / 2)));
    for (const Shader* blur : {verShader.get(), horShader.get()}) {
        glUseProgram(blur->programId);
        glUniform2fv(glGetUniformLocation(blur->programId, "resolution"), 1, glm::value_ptr(halfTexel));
    }

    gameSound = std::make_unique<GameSound>();
}

void teardownScene() {
    // A program still in use is only marked for deletion: release it so every name really goes.
    glUseProgram(0);
    basicShader.reset();
    colorShader.reset();
    textShader.reset();
    shadowMapShader.reset();
    verShader.reset();
    horShader.reset();
    combineShader.reset();

    plane.reset();
    camera.reset();
    textRenderer.reset();
    terrain.reset();
    ring.reset();
    shadowMap.reset();
    glow.reset();
    boost.reset();
    hat.reset();

    viewFrustum.reset();
    destroyInputState();

    lensFlareShader.reset();
    lensFlare.reset();
    textureOverlayShader.reset();
    fadeOverlay.reset();
    textureOverlayUnchangedShader.reset();
    prizeOverlay.reset();

    skyBox.reset();
    sunLight.reset();
    gameSound.reset();
    physxHandler.reset();
}
