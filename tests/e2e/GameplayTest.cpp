#include "support/GameUnderTest.h"
#include "support/ScreenProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool isSky(const MeanColour& c) {
    return c.b > c.r + 40 && c.b > c.g;
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
};

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
