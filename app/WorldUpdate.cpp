#include "app/FrameSteps.h"
#include "app/GameState.h"
#include "app/SceneGlobals.h"
#include "app/WorldRules.h"
#include "scene/InputState.h"
#include "scene/Placement.h"

#include <GLFW/glfw3.h>

namespace {

using tavo::scene::placeClear;
using tavo::scene::terrainAbove;

void playCue(GameSound::Cue cue) {
    if (gameSound)
        gameSound->play(cue);
}

// A ring that passed, or that the last step found inside a hill, moves until the upward ray test finds no
// terrain above it. The attempts are bounded: should every place lie under the terrain, the last one is kept.
void keepRingOutOfTerrain(tavo::util::PhysxHandler& physics) {
    if (physics.ringPassed) {
        ring->reposition();
        score += ringPoints;
        playCue(GameSound::Cue::Ring);
        physics.ringPassed = false;
        physics.ringInTerrain = true;
    }
    if (physics.ringInTerrain) {
        if (terrainAbove(physics, physics.ringActor))
            placeClear([] { ring->reposition(); }, [&] { return terrainAbove(physics, physics.ringActor); });
        physics.ringInTerrain = false;
    }
}

void collectBoost(tavo::util::PhysxHandler& physics) {
    if (!physics.boostCollected)
        return;
    boost->reposition();
    plane->boostReserve = fullBoostReserve;
    playCue(GameSound::Cue::Boost);
    if (terrainAbove(physics, physics.boostActor))
        placeClear([] { boost->reposition(); }, [&] { return terrainAbove(physics, physics.boostActor); });
    physics.boostCollected = false;
}

void collectHat(tavo::util::PhysxHandler& physics) {
    if (!physics.hatCollected)
        return;
    score += hatPoints;
    physics.hatCollected = false;
    playCue(GameSound::Cue::Hat);
    hat->collect();
    plane->wearsHat = true;
}

} // namespace

void updateWorld(GLFWwindow* window, float dt) {
    pollInput();
    if (!physxHandler || !plane)
        return;
    if (gameOver && endSequenceTimer <= 0.0f) {
        fadeOverlay->update(dt, window);
        prizeOverlay->update(dt, window);
        return;
    }
    tavo::util::PhysxHandler& physics = *physxHandler;

    camera->update(dt, window);
    plane->update(dt, window);

    if (physics.planeCrashed) {
        // The flag stays set after the crash: the sound belongs to the first frame that sees it.
        if (!plane->crashed)
            playCue(GameSound::Cue::Crash);
        if (physics.planeActor)
            physics.setGravityEnabled(physics.planeActor, true);
        gameOver = true;
        plane->crashed = true;
    }
    keepRingOutOfTerrain(physics);
    collectBoost(physics);
    collectHat(physics);

    viewMatrix = camera->computeView(plane->modelMatrix, 2.0f - endSequenceTimer);
    shadowMap->updateLight(camera->position);
    const glm::vec3 aircraft = positionOf(plane->modelMatrix);
    viewFrustum->setCamera(camera->position, aircraft, camera->up);

    ring->update(dt, window);
    ring->selectLevel(glm::distance(aircraft, positionOf(ring->modelMatrix)));
    boost->update(dt, window);
    boost->selectCan(glm::distance(aircraft, positionOf(boost->modelMatrix)));
    if (!hat->collected) {
        hat->update(dt, window);
        hat->selectMesh(glm::distance(aircraft, positionOf(hat->modelMatrix)));
    }
    lensFlare->updatePositions(viewMatrix, projectionMatrix);
    // A long frame is stepped in parts, the jet steering before each, so that no trigger or hill is skipped.
    physics.stepFrame(dt, [](float part) { plane->fly(part); });
    if (gameOver)
        endSequenceTimer -= dt;
}

float boostReserveLeft() {
    return plane ? plane->boostReserve : 0.0f;
}
