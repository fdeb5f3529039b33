#include "support/GameUnderTest.h"
#include "support/ScreenProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// Taps of a millisecond fall between two frames here (13 to 19 frames per second): each still counts once.
TEST_F(GameplayTest, ShortTapsOfF1ToggleTheHelpPageAndEscapeEndsTheGame) {
    const int before = whitePixels(game.screenshot("before"), help);
    game.tap("F1");
    EXPECT_TRUE(waitUntil([&] { return whitePixels(game.screenshot("help"), help) > before + 2000; }, 10s))
        << "no help page";
    game.tap("F1");
    EXPECT_TRUE(waitUntil([&] { return whitePixels(game.screenshot("hidden"), help) < before + 300; }, 10s))
        << "the help page did not go away";
    game.tap("Escape");
    const ProcessResult end = game.waitForExit(10s);
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.err, "") << end;
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
                                      // OCR can misread a digit on a busy machine: read again until the count
                                      // of an unculled frame shows.
                                      all = readNumber(game.screenshot("culling-off"), vertexLine);
                                      return all > culled && all >= 135000;
                                  }))
        << "culled " << culled << ", all " << all;
    // With culling off every terrain piece is drawn: at least the nine pieces' 45,000 triangles.
    EXPECT_GE(all, 135000);
}

// A one-second push on W from the start dives into the ground. The flight does not depend on the frame rate,
// so the crash comes about as long after the release in a small window as in the default one.
TEST(GameEndTest, OneSecondDiveCrashesAlikeAtAnySizeThenTheFadeAndThePrize) {
    std::vector<double> secondsToCrash;
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{320, 180}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        GameUnderTest game({std::to_string(w), std::to_string(h)});
        ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
        const Region top{0, 0, w, h / 10};
        ASSERT_TRUE(waitUntil([&] { return isSky(meanColour(game.screenshot("start"), top)); }, 60s));
        game.keyDown("w");
        std::this_thread::sleep_for(1s);
        game.keyUp("w");
        const Clock::time_point released = Clock::now();

        // The points line replaces the HUD at once: right of the middle, 50 pixels above the bottom edge.
        const Region endText{w / 2 + 10, h - 75, w, h - 50};
        ASSERT_TRUE(waitUntil([&] { return whitePixels(game.screenshot("crashed"), endText) > 40; }, 30s))
            << "no end text";
        const Clock::time_point ended = Clock::now();
        secondsToCrash.push_back(std::chrono::duration<double>(ended - released).count());
        if (w != 1280) {
            const ProcessResult end = game.quitWithEscape();
            EXPECT_EQ(end.exitStatus, 0) << end;
            continue;
        }

        const Region prize{400, 80, 880, 530};
        EXPECT_LT(countWhere(game.screenshot("end-text"), prize, isGold), 3000)
            << "the prize waits for the camera rise";
        ASSERT_TRUE(
            waitUntil([&] { return countWhere(game.screenshot("prize"), prize, isGold) > 15000; }, 30s))
            << "no prize picture";
        EXPECT_GT(Clock::now() - ended, 1s);
        // The fade darkens the world around the prize.
        EXPECT_TRUE(waitUntil(
            [&] {
                const MeanColour corner = meanColour(game.screenshot("faded"), {0, 160, 240, 530});
                return corner.r + corner.g + corner.b < 30;
            },
            30s));
        EXPECT_GT(whitePixels(game.screenshot("final"), endText), 40) << "the points stay on screen";
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
    }
    ASSERT_EQ(secondsToCrash.size(), 2u);
    std::printf("crash %.1f s after the release at 1280 x 720, %.1f s at 320 x 180\n", secondsToCrash[0],
                secondsToCrash[1]);
    // The screenshots that look for the end text take a few tenths of a second each.
    EXPECT_NEAR(secondsToCrash[0], secondsToCrash[1], 2.0);
}

} // namespace
