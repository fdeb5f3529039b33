#include "app/FrameSteps.h"
#include "app/GameLoop.h"
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
        // Rings and pickups land near height 0, at some clock seconds on the start place: the jet flies far
        // above them so that only the events a test raises happen.
        physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, 300.0f, 0.0f));
    }
    void TearDown() override {
        teardownScene();
        resetGameState();
        GlTest::TearDown();
    }
    void frame(float dt = 1.0f / 30.0f) { updateWorld(window, dt); }
    glm::vec3 uniform(GLuint program, const char* name) {
        glm::vec3 value(0.0f);
        glGetUniformfv(program, glGetUniformLocation(program, name), glm::value_ptr(value));
        return value;
    }
};

TEST_F(WorldUpdateTest, AssemblyUploadsTheConstantsForTheWindow) {
    EXPECT_FLOAT_EQ(projectionMatrix[0][0], 180.0f / 320.0f);
    EXPECT_FLOAT_EQ(projectionMatrix[1][1], 1.0f);
    EXPECT_EQ(glm::vec3(viewMatrix[3]), glm::vec3(0.0f, 0.0f, -10.0f));
    const glm::vec3 sun = uniform(colorShader->programId, "sunDirection");
    EXPECT_NEAR(sun.x, 0.6666667f, 1e-6f);
    EXPECT_NEAR(sun.y, -0.3333333f, 1e-6f);
    const glm::vec3 texel = uniform(verShader->programId, "resolution");
    EXPECT_FLOAT_EQ(texel.x, 1.0f / 160.0f);
    EXPECT_FLOAT_EQ(texel.y, 1.0f / 90.0f);
    EXPECT_EQ(glm::vec3(terrain->modelMatrix[3]), glm::vec3(0.0f, -300.0f, 0.0f));
}

TEST_F(WorldUpdateTest, RingScoresOneHundredCanRefillsHatScoresTwentyOnce) {
    frame();
    physxHandler->ringPassed = true;
    frame();
    EXPECT_EQ(score, 100);
    EXPECT_FALSE(physxHandler->ringPassed);
    EXPECT_FALSE(tavo::scene::terrainAbove(*physxHandler, physxHandler->ringActor)) << "moved clear";
    frame();
    EXPECT_EQ(score, 100);

    plane->boostReserve = 3.0f;
    physxHandler->boostCollected = true;
    frame();
    EXPECT_EQ(plane->boostReserve, 5.0f);
    EXPECT_EQ(score, 100) << "a can scores nothing";
    EXPECT_FALSE(physxHandler->boostCollected);
    EXPECT_FALSE(tavo::scene::terrainAbove(*physxHandler, physxHandler->boostActor));

    physxHandler->hatCollected = true;
    frame();
    EXPECT_EQ(score, 120);
    EXPECT_TRUE(hat->collected);
    EXPECT_TRUE(plane->wearsHat);
    EXPECT_EQ(physxHandler->hatActor, nullptr);
    const glm::mat4 hatPlace = hat->modelMatrix;
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_EQ(score, 120);
    EXPECT_EQ(hat->modelMatrix, hatPlace) << "a collected hat no longer spins";
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
    const glm::mat4 frozen[] = {plane->modelMatrix, viewMatrix, ring->modelMatrix};
    frame(0.5f);
    frame(0.5f);
    EXPECT_EQ(plane->modelMatrix, frozen[0]);
    EXPECT_EQ(viewMatrix, frozen[1]);
    EXPECT_EQ(ring->modelMatrix, frozen[2]);
    EXPECT_FLOAT_EQ(fadeOverlay->remaining, 1.0f);
    EXPECT_FLOAT_EQ(prizeOverlay->remaining, 1.0f);
}

TEST_F(WorldUpdateTest, ClockRunningOutKeepsGravityOffForTheAircraft) {
    gameOver = true;
    frame(0.5f);
    EXPECT_FALSE(plane->crashed);
    EXPECT_FALSE(physxHandler->gravityEnabled(physxHandler->planeActor));
}

TEST_F(WorldUpdateTest, CullingOffRaisesTheDrawnVertexCount) {
    sharedInput->showFrameTime = 1;
    frame();
    renderMainPass();
    const unsigned int culled = drawnVertexCount;
    sharedInput->culling = 0;
    renderMainPass();
    EXPECT_GT(culled, 0u);
    EXPECT_GT(drawnVertexCount, culled);
    EXPECT_GE(drawnVertexCount, 135000u) << "every terrain piece: the nine pieces' 45,000 triangles";
}

using SceneTeardownTest = GlTest;

TEST_F(SceneTeardownTest, LeavesNoGlObjectBehind) {
    resetGameState();
    assembleScene(window);
    const GLuint highest = glow->sceneTexture + 512;
    teardownScene();
    resetGameState();
    for (GLuint name = 1; name < highest; ++name)
        EXPECT_FALSE(glIsBuffer(name) || glIsTexture(name) || glIsVertexArray(name) ||
                     glIsFramebuffer(name) || glIsRenderbuffer(name) || glIsProgram(name) || glIsShader(name))
            << "GL name " << name << " is still alive";
    EXPECT_EQ(sharedInput, nullptr);
}

TEST(GameLoop, BoostZoomWidensToOnePointTwoThenSnapsBackToExactlyOne) {
    float zoom = 1.0f;
    int rebuilds = 0;
    for (int frame = 0; frame < 300; ++frame)
        rebuilds += advanceZoom(zoom, true, 1.0f / 60.0f);
    EXPECT_GE(zoom, 1.2f);
    EXPECT_LT(zoom, 1.2f + 1.0f / 600.0f + 1e-6f);
    EXPECT_LT(rebuilds, 300) << "at 1.2 the projection is left alone";
    int frames = 0;
    for (float previous = zoom; advanceZoom(zoom, false, 1.0f / 60.0f) && frames < 1000; previous = zoom) {
        EXPECT_LT(zoom, previous);
        EXPECT_GT(zoom, 1.0f - 1.0f / 600.0f - 1e-6f);
        ++frames;
    }
    EXPECT_EQ(zoom, 1.0f);
    EXPECT_NEAR(frames, 121, 2);
}

TEST(GameLoop, GameClockCrossingZeroEndsTheGameAndStops) {
    resetGameState();
    advanceGameClock(179.0f);
    EXPECT_FALSE(gameOver);
    advanceGameClock(1.01f);
    EXPECT_NEAR(gameTimeLeft, -0.01f, 1e-4f);
    EXPECT_TRUE(gameOver);
    advanceGameClock(0.5f);
    EXPECT_NEAR(gameTimeLeft, -0.01f, 1e-4f);
    resetGameState();
}

TEST(GameLoop, SamplingTableGivesTheListedFilterPairs) {
    const GLint rows[][4] = {{0, 0, GL_NEAREST, GL_NEAREST},
                             {0, 1, GL_LINEAR, GL_LINEAR},
                             {1, 0, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST},
                             {1, 1, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
                             {2, 0, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST},
                             {2, 1, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR}};
    for (const auto& row : rows) {
        const FilterPair pair = samplingFilters(row[0], row[1] != 0);
        EXPECT_EQ(pair.minFilter, row[2]) << row[0] << row[1];
        EXPECT_EQ(pair.magFilter, row[3]) << row[0] << row[1];
    }
}

} // namespace
