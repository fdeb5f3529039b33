#include "app/GameLoop.h"
#include "app/FrameSteps.h"
#include "app/GameState.h"

#include <gtest/gtest.h>

namespace {

class GameLoopTest : public testing::Test {
protected:
    void SetUp() override { resetGameState(); }
    void TearDown() override { resetGameState(); }
};

TEST_F(GameLoopTest, BoostZoomWidensToAboutOnePointTwoThenSnapsBackToExactlyOne) {
    float zoom = 1.0f;
    int rebuilds = 0;
    for (int frame = 0; frame < 300; ++frame)
        rebuilds += advanceZoom(zoom, true, 1.0f / 60.0f);
    EXPECT_GE(zoom, 1.2f);
    EXPECT_LT(zoom, 1.2f + 1.0f / 600.0f + 1e-6f);
    EXPECT_LT(rebuilds, 300); // at 1.2 the projection is left alone

    // Narrowing runs at the same rate and ends on exactly 1.0 (snapped if it passed below).
    float previous = zoom;
    int frames = 0;
    while (advanceZoom(zoom, false, 1.0f / 60.0f) && frames < 1000) {
        EXPECT_LT(zoom, previous);
        EXPECT_GT(zoom, 1.0f - 1.0f / 600.0f - 1e-6f);
        previous = zoom;
        ++frames;
    }
    EXPECT_EQ(zoom, 1.0f);
    EXPECT_NEAR(frames, 121, 2);
    EXPECT_FALSE(advanceZoom(zoom, false, 1.0f / 60.0f));
}

TEST_F(GameLoopTest, GameClockCrossingZeroEndsTheGameAndStops) {
    gameTimeLeft = 0.01f;
    advanceGameClock(0.02f);
    EXPECT_NEAR(gameTimeLeft, -0.01f, 1e-6f);
    EXPECT_TRUE(gameOver);
    advanceGameClock(0.5f);
    EXPECT_NEAR(gameTimeLeft, -0.01f, 1e-6f);

    resetGameState();
    advanceGameClock(179.0f);
    EXPECT_FALSE(gameOver);
}

TEST_F(GameLoopTest, SamplingTableGivesTheListedFilterPairs) {
    struct Row {
        int mode;
        bool bilinear;
        GLint min;
        GLint mag;
    };
    const Row rows[] = {{0, false, GL_NEAREST, GL_NEAREST},
                        {0, true, GL_LINEAR, GL_LINEAR},
                        {1, false, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST},
                        {1, true, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
                        {2, false, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST},
                        {2, true, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR}};
    for (const Row& row : rows) {
        const FilterPair pair = samplingFilters(row.mode, row.bilinear);
        EXPECT_EQ(pair.minFilter, row.min) << row.mode << row.bilinear;
        EXPECT_EQ(pair.magFilter, row.mag) << row.mode << row.bilinear;
    }
}

} // namespace
