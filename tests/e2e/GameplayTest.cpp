#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool isGold(Rgb c) {
    return c.r > 170 && c.g > 110 && c.b < 90 && c.r > c.b + 100;
}

// A one-second push on W from the start dives into the ground. The flight does not depend on the frame rate,
// so the crash comes about as long after the release in a small window as in the default one.
TEST(Gameplay, ADiveCrashesAlikeAtAnySizeThenTheFadeThePrizeAndHelpTaps) {
    std::vector<double> secondsToCrash;
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{320, 180}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        GameUnderTest game({std::to_string(w), std::to_string(h)});
        ASSERT_TRUE(game.waitForWindow() && game.waitForFrames()) << game.diagnostics();
        game.keyDown("w");
        std::this_thread::sleep_for(1s);
        game.keyUp("w");
        const Clock::time_point released = Clock::now();
        // The points line replaces the HUD at once: right of the middle, 50 pixels above the bottom edge.
        const Region endText{w / 2 + 10, h - 75, w, h - 50};
        Clock::time_point ended; // when the look that saw it began: a look at the large window takes long
        const auto crashed = [&] {
            ended = Clock::now();
            return countWhere(game.screenshot("crashed"), endText, isWhite) > 40;
        };
        ASSERT_TRUE(waitUntil(crashed, 30s)) << "no end text";
        secondsToCrash.push_back(std::chrono::duration<double>(ended - released).count());
        if (w == 1280) {
            const Region prize{400, 80, 880, 530};
            EXPECT_LT(countWhere(game.screenshot("end-text"), prize, isGold), 3000)
                << "prize before camera rise";
            ASSERT_TRUE(
                waitUntil([&] { return countWhere(game.screenshot("prize"), prize, isGold) > 15000; }, 30s))
                << "no prize picture";
            EXPECT_GT(Clock::now() - ended, 1s);
            const auto dark = [](Rgb c) { return c.r + c.g + c.b < 30; };
            EXPECT_TRUE(waitUntil(
                [&] {
                    return countWhere(game.screenshot("faded"), {0, 160, 240, 530}, dark) >
                           240 * 370 * 9 / 10;
                },
                30s))
                << "the world does not fade around the prize";
            EXPECT_GT(countWhere(game.screenshot("final"), endText, isWhite), 40)
                << "the points stay on screen";
            // On the end screen too, taps of a millisecond fall between two frames: each still counts once.
            const Region help{100, 205, 1100, 612};
            const auto helpPixels = [&](const char* name) {
                return countWhere(game.screenshot(name), help, isWhite);
            };
            const int before = helpPixels("before");
            game.tap("F1");
            EXPECT_TRUE(waitUntil([&] { return helpPixels("help") > before + 2000; }, 10s)) << "no help page";
            game.tap("F1");
            EXPECT_TRUE(waitUntil([&] { return helpPixels("hidden") < before + 300; }, 10s)) << "help stays";
        }
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
    }
    ASSERT_EQ(secondsToCrash.size(), 2u);
    std::printf("crash %.1f s after the release at 1280 x 720, %.1f s at 320 x 180\n", secondsToCrash[0],
                secondsToCrash[1]);
    // Flight that went with the frame rate would take several times as long at the large size; the margin
    // is for the slow looks at the large window on a loaded machine.
    EXPECT_NEAR(secondsToCrash[0], secondsToCrash[1], 3.0);
}

} // namespace
