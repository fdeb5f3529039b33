#include "app/FrameSteps.h"
#include "app/GameState.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "app/WorldRules.h"
#include "scene/Placement.h"
#include "support/GlContext.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

// The whole scene, assembled from the generated data in the run folder as the game does it.
class WorldUpdateTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetGameState();
        assembleScene(window);
        ASSERT_TRUE(physxHandler && plane && ring && boost && hat);
        // Rings and pickups land within 20 units of height 0, and at some clock seconds right on the start
        // place: lift the jet far above them so only the events a test raises itself happen.
        physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, 300.0f, 0.0f));
    }
    void TearDown() override {
        teardownScene();
        resetGameState();
        GlTest::TearDown();
    }
    void frame(float dt = 1.0f / 30.0f) { updateWorld(window, dt); }
};

TEST_F(WorldUpdateTest, AssemblyUploadsTheConstantsForTheWindow) {
    EXPECT_FLOAT_EQ(projectionMatrix[0][0], 180.0f / 320.0f);
    EXPECT_FLOAT_EQ(projectionMatrix[1][1], 1.0f);
    EXPECT_EQ(glm::vec3(viewMatrix[3]), glm::vec3(0.0f, 0.0f, -10.0f));
    glm::vec3 sun(0.0f);
    glGetUniformfv(colorShader->programId, glGetUniformLocation(colorShader->programId, "sunDirection"),
                   glm::value_ptr(sun));
    EXPECT_NEAR(sun.x, 0.6666667f, 1e-6f);
    EXPECT_NEAR(sun.y, -0.3333333f, 1e-6f);
    glm::vec2 texel(0.0f);
    glGetUniformfv(verShader->programId, glGetUniformLocation(verShader->programId, "resolution"),
                   glm::value_ptr(texel));
    EXPECT_FLOAT_EQ(texel.x, 1.0f / 160.0f);
    EXPECT_FLOAT_EQ(texel.y, 1.0f / 90.0f);
    EXPECT_EQ(glm::vec3(terrain->modelMatrix[3]), glm::vec3(0.0f, -300.0f, 0.0f));
}

TEST_F(WorldUpdateTest, RingPassScoresExactlyOneHundredAndMovesTheRingClearOfTheTerrain) {
    frame();
    physxHandler->ringPassed = true;
    frame();
    EXPECT_EQ(score, 100);
    EXPECT_FALSE(physxHandler->ringPassed);
    EXPECT_FALSE(tavo::scene::terrainAbove(*physxHandler, physxHandler->ringActor));
    frame();
    EXPECT_EQ(score, 100);
}

TEST_F(WorldUpdateTest, CanRefillsTheReserveToFiveAndScoresNothing) {
    plane->boostReserve = 3.0f;
    physxHandler->boostCollected = true;
    frame();
    EXPECT_EQ(plane->boostReserve, 5.0f);
    EXPECT_EQ(score, 0);
    EXPECT_FALSE(physxHandler->boostCollected);
    EXPECT_FALSE(tavo::scene::terrainAbove(*physxHandler, physxHandler->boostActor));
}

TEST_F(WorldUpdateTest, HatScoresTwentyOnceAndIsWornFromThenOn) {
    physxHandler->hatCollected = true;
    frame();
    EXPECT_EQ(score, 20);
    EXPECT_TRUE(hat->collected);
    EXPECT_TRUE(plane->wearsHat);
    EXPECT_EQ(physxHandler->hatActor, nullptr);
    const glm::mat4 hatPlace = hat->modelMatrix;
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_EQ(score, 20);
    EXPECT_EQ(hat->modelMatrix, hatPlace); // a collected hat no longer spins
}

TEST_F(WorldUpdateTest, CrashRunsTheEndSequenceForTwoSecondsThenOnlyTheOverlaysMove) {
    physxHandler->planeCrashed = true;
    frame(0.5f);
    EXPECT_TRUE(gameOver);
    EXPECT_TRUE(plane->crashed);
    EXPECT_FLOAT_EQ(endSequenceTimer, 1.5f);
    for (int i = 0; i < 3; ++i)
        frame(0.5f);
    EXPECT_LE(endSequenceTimer, 0.0f);
    EXPECT_FLOAT_EQ(fadeOverlay->remaining, 2.0f);

    const glm::mat4 frozenPlane = plane->modelMatrix;
    const glm::mat4 frozenView = viewMatrix;
    const glm::mat4 frozenRing = ring->modelMatrix;
    frame(0.5f);
    frame(0.5f);
    EXPECT_EQ(plane->modelMatrix, frozenPlane);
    EXPECT_EQ(viewMatrix, frozenView);
    EXPECT_EQ(ring->modelMatrix, frozenRing);
    EXPECT_FLOAT_EQ(fadeOverlay->remaining, 1.0f);
    EXPECT_FLOAT_EQ(prizeOverlay->remaining, 1.0f);
}

TEST_F(WorldUpdateTest, ClockRunningOutKeepsGravityOffForTheAircraft) {
    gameOver = true;
    frame(0.5f);
    EXPECT_FALSE(plane->crashed);
    EXPECT_FALSE(physxHandler->gravityEnabled(physxHandler->planeActor));
}

using SceneTeardownTest = GlTest;

TEST_F(SceneTeardownTest, LeavesNoGlObjectBehind) {
    resetGameState();
    assembleScene(window);
    const GLuint highestBuffer = glow->sceneTexture + 64;
    teardownScene();
    resetGameState();
    int alive = 0;
    for (GLuint name = 1; name < highestBuffer + 512; ++name) {
        const int kinds[] = {glIsBuffer(name),       glIsTexture(name), glIsVertexArray(name), glIsFramebuffer(name),
                             glIsRenderbuffer(name), glIsProgram(name), glIsShader(name)};
        for (int kind = 0; kind < 7; ++kind) {
            alive += kinds[kind];
            EXPECT_FALSE(kinds[kind]) << "name " << name << " of kind " << kind << " is still alive";
        }
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(sharedInput, nullptr);
}

} // namespace
