#include "app/FrameSteps.h"
#include "app/GameState.h"
#include "app/Resolution.h"
#include "app/SceneGlobals.h"
#include "app/WorldRules.h"
#include "render/GlState.h"
#include "scene/InputState.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

// bias x light projection x light view: times an object's model matrix, its shadow lookup.
glm::mat4 lightMatrix() {
    return shadowMap->biasMatrix * shadowMap->lightProjection * shadowMap->lightView;
}

glm::mat4 shadowMatrix(const glm::mat4& model) {
    return lightMatrix() * model;
}

void uploadModel(GLint modelLoc, GLint shadowMatrixLoc, const glm::mat4& model) {
    const glm::mat4 shadow = shadowMatrix(model);
    glUniformMatrix4fv(modelLoc, 1, GL_FALSE, glm::value_ptr(model));
    glUniformMatrix4fv(shadowMatrixLoc, 1, GL_FALSE, glm::value_ptr(shadow));
}

// An object outside the view frustum is skipped entirely while culling is on: no count, no uniforms, no draw.
template <class Draw>
void testThenDraw(const tavo::scene::GameObject& object, unsigned int count, GLint modelLoc,
                  GLint shadowMatrixLoc, Draw&& draw) {
    const InputState& input = *sharedInput;
    if (input.culling && !viewFrustum->sphereVisible(positionOf(object.modelMatrix), object.boundingRadius))
        return;
    if (input.showFrameTime)
        drawnVertexCount += count;
    uploadModel(modelLoc, shadowMatrixLoc, object.modelMatrix);
    draw();
}

void drawShadowCaster(tavo::scene::GameObject& object) {
    glUniformMatrix4fv(shadowMap->modelLocation, 1, GL_FALSE, glm::value_ptr(object.modelMatrix));
    object.draw();
}

// The ring and the pickups stand anywhere on the map: one far from the camera is outside the sun's view and
// would cast nothing.
void drawShadowCasterInLight(tavo::scene::GameObject& object) {
    if (shadowMap->sphereInLight(glm::vec3(object.modelMatrix[3]), object.boundingRadius))
        drawShadowCaster(object);
}

} // namespace

void renderFrame(float dt, FrameStepListener* listener) {
    const auto step = [listener](FrameStep which, auto&& run) {
        if (listener)
            listener->stepBegins(which);
        run();
        if (listener)
            listener->stepEnds(which);
    };
    step(FrameStep::ShadowPass, [] { renderShadowPass(); });
    step(FrameStep::MainPass, [] {
        glViewport(0, 0, xResolution, yResolution);
        glBindFramebuffer(GL_FRAMEBUFFER, glow->sceneFramebuffer);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderMainPass();
    });
    step(FrameStep::Hud, [dt] { drawHud(dt); });
    step(FrameStep::Glow, [] { glow->draw(); });
}

void renderShadowPass() {
    shadowMap->draw();
    glViewport(0, 0, shadowMap->size, shadowMap->size);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(5.0f, 0.0f);
    glUseProgram(shadowMapShader->programId);
    // Of the terrain, only the pieces in the sun's view: the footprint follows the camera and covers a few.
    glUniformMatrix4fv(shadowMap->modelLocation, 1, GL_FALSE, glm::value_ptr(terrain->modelMatrix));
    terrain->drawShadowTiles(*shadowMap);
    glPolygonOffset(10.0f, 0.0f);
    // Each part of the jet where it is turned to, and the hat only once worn.
    plane->drawParts(shadowMap->modelLocation);
    drawShadowCasterInLight(*ring);
    drawShadowCasterInLight(*boost);
    if (!hat->collected)
        drawShadowCasterInLight(*hat);
}

void renderMainPass() {
    const InputState& input = *sharedInput;
    if (input.showFrameTime)
        drawnVertexCount = 0;
    glDisable(GL_POLYGON_OFFSET_FILL);

    {
        // The colour program and the sky write alpha 1 to both targets. Blending an output of alpha 1 yields
        // the output itself, so opaque draws leave the blend off and skip reading the targets back; blending
        // is put back as the transparency switch left it.
        const ScopedGlState opaque;
        GlState::setBlend(false);
        glUseProgram(colorShader->programId);
        glUniformMatrix4fv(colorViewLoc, 1, GL_FALSE, glm::value_ptr(viewMatrix));
        uploadModel(colorModelLoc, colorShadowMatrixLoc, terrain->modelMatrix);
        const unsigned int terrainCount = terrain->drawTiles(viewFrustum.get(), !input.culling);
        if (input.showFrameTime)
            drawnVertexCount += terrainCount;

        testThenDraw(*ring, ring->getIndexCount(), colorModelLoc, colorShadowMatrixLoc,
                     [] { ring->drawWithShader(); });
        testThenDraw(*boost, boost->drawnIndexCount(), colorModelLoc, colorShadowMatrixLoc,
                     [] { boost->drawWithShader(); });
        if (!hat->collected)
            testThenDraw(*hat, hat->drawnIndexCount(), colorModelLoc, colorShadowMatrixLoc,
                         [] { hat->drawWithShader(); });

        // The sky after the opaque world instead of under it: what lies under an opaque draw never shows, and
        // the sky (on the far plane) now shades only the pixels left uncovered. The aircraft may be
        // translucent and comes after the sky, as before.
        skyBox->draw(viewMatrix);
    }

    glUseProgram(basicShader->programId);
    glUniformMatrix4fv(basicViewLoc, 1, GL_FALSE, glm::value_ptr(viewMatrix));
    unsigned int planeCount = 0;
    for (const auto& mesh : plane->meshes)
        planeCount += mesh->indexCount;
    testThenDraw(*plane, planeCount, basicModelLoc, basicShadowMatrixLoc, [] {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, plane->diffuseTexture->textureId);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, plane->glowMap->textureId);
        plane->drawWithShader(lightMatrix(), basicShadowMatrixLoc);
    });

    lensFlare->draw();
    plane->drawBoostGauge();
    if (gameOver && endSequenceTimer <= 0.0f) {
        fadeOverlay->draw();
        prizeOverlay->draw();
    }
}
