#include "support/GameUnderTest.h"
#include "support/ScreenProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool isSky(const MeanColour& c) {
    return c.b > c.r + 40 && c.b > c.g;
}
bool isOrangeGlow(Rgb c) {
    return c.r > 200 && c.g > 70 && c.b < 130 && c.r > c.b + 100;
}
bool isGold(Rgb c) {
    return c.r > 170 && c.g > 110 && c.b < 90 && c.r > c.b + 100;
}

// The game at its default size of 1280 x 720. HUD texts sit at fixed places from the window's edges.
class GameplayTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
        // The first frames include the shader and texture set-up: wait until the sky is there.
        ASSERT_TRUE(waitUntil([&] { return isSky(meanColour(game.screenshot("waiting"), sky)); }, 60s))
            << game.diagnostics();
    }
    void TearDown() override {
        if (!game.running())
            return;
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
    }

    GameUnderTest game;
    const Region sky{0, 0, 900, 100};
    const Region help{100, 205, 1100, 612};
    const Region notice{50, 158, 900, 212};
    const Region vertexLine{20, 108, 900, 162};
};

TEST_F(GameplayTest, FirstFrameShowsSkyAboveTerrainAndTheJetInTheLowerMiddle) {
    const Image shot = game.screenshot("first");
    ASSERT_EQ(shot.width, 1280);
    ASSERT_EQ(shot.height, 720);
    EXPECT_TRUE(isSky(meanColour(shot, sky)));
    const MeanColour ground = meanColour(shot, {150, 440, 420, 560});
    EXPECT_GT(ground.g, ground.b + 10) << "terrain below the horizon";
    // The jet's exhausts glow just below the middle of the screen.
    EXPECT_GT(countWhere(shot, {480, 360, 800, 560}, isOrangeGlow), 30);
}

TEST_F(GameplayTest, F1ShowsTheHelpPageAndF1AgainHidesIt) {
    const int before = whitePixels(game.screenshot("before"), help);
    ASSERT_TRUE(game.holdKeyUntil("F1", [&] {
        return whitePixels(game.screenshot("help"), help) > before + 2000;
    })) << "no help page";
    // The page stays after the key is released.
    EXPECT_GT(whitePixels(game.screenshot("help-released"), help), before + 2000);
    EXPECT_TRUE(game.holdKeyUntil("F1", [&] {
        return whitePixels(game.screenshot("hidden"), help) < before + 300;
    })) << "the help page did not go away";
}

TEST_F(GameplayTest, F3SwitchesWireframeAndItsNoticeFadesAfterRelease) {
    const int pixels = 1280 * 720;
    const auto darkPixels = [&](const Image& shot) {
        return countWhere(shot, {0, 0, 1280, 720}, [](Rgb c) { return c.r + c.g + c.b < 40; });
    };
    // Notice text at full strength is white; the sky behind it stays below 230 in every channel (only the sun
    // is brighter, and it is behind the jet), so near-white pixels are the notice's.
    const auto noticeInk = [&](const char* name) {
        return countWhere(game.screenshot(name), notice,
                          [](Rgb c) { return c.r > 235 && c.g > 235 && c.b > 235; });
    };
    EXPECT_LT(darkPixels(game.screenshot("filled")), pixels / 20);
    ASSERT_TRUE(game.holdKeyUntil("F3", [&] {
        return darkPixels(game.screenshot("wireframe")) > pixels / 3;
    })) << "no wireframe";
    // The game must see the key up before the next press; a frame can take a good part of a second.
    std::this_thread::sleep_for(1500ms);
    // Texts are drawn as outlines in wireframe too; the notice is read when F3 switches back to filled.
    ASSERT_TRUE(game.holdKeyUntil("F3", [&] {
        const Image shot = game.screenshot("filled-again");
        return darkPixels(shot) < pixels / 20 && noticeInk("notice-held") > 300;
    })) << "no notice after switching wireframe off";
    const Clock::time_point released = Clock::now();
    // Two seconds of game time; a busy machine stretches the frames that show it.
    EXPECT_TRUE(waitUntil([&] { return noticeInk("notice") < 40; }, 15s)) << "the notice did not fade";
    EXPECT_LT(Clock::now() - released, 15s);
}

TEST_F(GameplayTest, CullingOffRaisesTheDrawnVertexCount) {
    long long culled = -1;
    ASSERT_TRUE(game.holdKeyUntil("F2", [&] {
        culled = readNumber(game.screenshot("frame-time"), vertexLine);
        return culled > 0;
    })) << "no vertex count shown";
    long long all = -1;
    EXPECT_TRUE(game.holdKeyUntil("F8",
                                  [&] {
                                      all = readNumber(game.screenshot("culling-off"), vertexLine);
                                      return all > culled;
                                  }))
        << "culled " << culled << ", all " << all;
    // With culling off every terrain piece is drawn: at least the nine pieces' 45,000 triangles.
    EXPECT_GE(all, 135000);
}

// A smaller window keeps the frame rate up: the jet's turn rate depends on it.
TEST(GameEndTest, DivingIntoTheGroundEndsTheGameWithTheFadeAndThePrize) {
    GameUnderTest game({"480", "270"});
    ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
    const Region top{0, 0, 480, 40};
    ASSERT_TRUE(waitUntil([&] { return isSky(meanColour(game.screenshot("start"), top)); }, 60s));

    // Nose down until the ground fills the top of the picture, then let go.
    ASSERT_TRUE(game.holdKeyUntil(
        "w", [&] { return !isSky(meanColour(game.screenshot("diving"), top)); }, 20s));

    const Region endText{160, 180, 470, 232}; // right of the "Boost: " label
    const Region prize{150, 30, 330, 200};
    ASSERT_TRUE(waitUntil([&] { return whitePixels(game.screenshot("crashed"), endText) > 150; }, 40s))
        << "no end text";
    const Clock::time_point ended = Clock::now();
    EXPECT_LT(countWhere(game.screenshot("end-text"), prize, isGold), 500)
        << "the prize waits for the camera rise";
    ASSERT_TRUE(waitUntil([&] { return countWhere(game.screenshot("prize"), prize, isGold) > 2000; }, 30s))
        << "no prize picture";
    EXPECT_GT(Clock::now() - ended, 1s);
    // The fade darkens the world around the prize.
    EXPECT_TRUE(waitUntil(
        [&] {
            const MeanColour corner = meanColour(game.screenshot("faded"), {0, 60, 90, 200});
            return corner.r + corner.g + corner.b < 30;
        },
        30s));
    EXPECT_GT(whitePixels(game.screenshot("final"), endText), 150) << "the points stay on screen";

    const ProcessResult end = game.quitWithEscape();
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.err, "") << end;
}

} // namespace
