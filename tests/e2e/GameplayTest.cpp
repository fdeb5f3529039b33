// The real game flown by real keys, its sound recorded on the game's own time line by OpenAL Soft's wave
// writer: cruise, Left Shift held for the boost and released, a dive into the ground, the end screen.
#include "support/GameUnderTest.h"
#include "support/SoundRecording.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <thread>
#include <tuple>

namespace {

constexpr size_t window = SoundRecording::recordingRate / 4;
// The engine loop's fundamental at cruise (pitch 1) and at the boost's pitch of 1.5.
constexpr double cruiseHertz = 110.0, boostHertz = 165.0;

struct Stretch {
    double level = 0.0, roughness = 0.0, fundamental = 0.0;
};

const auto isGold = [](Rgb c) { return c.r > 170 && c.g > 110 && c.b < 90 && c.r > c.b + 100; };

TEST(Gameplay, BoostAndDiveSoundTheEngineAndTheCrashThenTheFadeThePrizeAndHelpTaps) {
    const SoundRecording recording(makeTempFolder("windlap-sound"));
    GameUnderTest game(
        {}, WINDLAP_RUN_DIR,
        {"-u", "ALSOFT_DRIVERS", "-u", "ALSOFT_LOGLEVEL", "ALSOFT_CONF=" + recording.configPath()});
    ASSERT_TRUE(game.waitForWindow() && game.waitForFrames()) << game.diagnostics();
    for (const auto& [key, pause, seconds] :
         {std::tuple{"Shift_L", 1500ms, 2500ms}, std::tuple{"w", 3000ms, 1000ms}}) {
        std::this_thread::sleep_for(pause);
        game.keyDown(key);
        std::this_thread::sleep_for(seconds);
        game.keyUp(key);
    }
    // The points line replaces the HUD at once: right of the middle, 50 pixels above the bottom edge.
    const Region endText{650, 645, 1280, 670}, prize{400, 80, 880, 530}, side{0, 160, 240, 530},
        helpText{100, 205, 1100, 612};
    // The first picture with the end text has no prize yet: the camera rises for two seconds first (how
    // long exactly is the assembled scene's test, at fixed frame times, not the wall clock's).
    const auto points = [&](const Image& shot) { return countWhere(shot, endText, isWhite); };
    Image shot;
    ASSERT_TRUE(waitUntil([&] { return points(shot = game.screenshot("crashed")) > 40; }, 30s))
        << "no end text";
    EXPECT_LT(countWhere(shot, prize, isGold), 3000) << "prize before camera rise";
    ASSERT_TRUE(waitUntil([&] { return countWhere(game.screenshot("prize"), prize, isGold) > 15000; }, 30s))
        << "no prize picture";
    const auto dark = [](Rgb c) { return c.r + c.g + c.b < 30; };
    EXPECT_TRUE(
        waitUntil([&] { return countWhere(game.screenshot("faded"), side, dark) > 240 * 370 * 9 / 10; }, 30s))
        << "the world does not fade around the prize";
    EXPECT_GT(points(game.screenshot("final")), 40) << "the points stay on screen";
    // On the end screen too, taps of a millisecond fall between two frames: each still counts once.
    const auto help = [&](const char* name) { return countWhere(game.screenshot(name), helpText, isWhite); };
    const int before = help("before");
    // Held past X's key repeat (from 660 ms, 25 a second): repeats are no new presses, the page stays on.
    game.keyDown("F1");
    std::this_thread::sleep_for(900ms);
    for (const char* shot : {"help held", "help held longer", "help held longest"})
        EXPECT_GT(help(shot), before + 2000) << shot;
    game.keyUp("F1");
    EXPECT_TRUE(waitUntil([&] { return help("help") > before + 2000; }, 10s)) << "no help page";
    game.tap("F1");
    EXPECT_TRUE(waitUntil([&] { return help("hidden") < before + 300; }, 10s)) << "help stays";
    const ProcessResult end = game.quitWithEscape();
    EXPECT_EQ(std::tie(end.exitStatus, end.err), std::make_tuple(0, "")) << end;
    const std::vector<float> samples = recording.samples();
    ASSERT_GT(samples.size(), 10u * SoundRecording::recordingRate) << "no recording";
    EXPECT_LT(*std::max_element(samples.begin(), samples.end()), 1.0f) << "the mix clips";
    EXPECT_GT(*std::min_element(samples.begin(), samples.end()), -1.0f) << "the mix clips";

    std::vector<Stretch> stretches;
    std::ostringstream table;
    for (size_t begin = 0; begin + window <= samples.size(); begin += window) {
        Stretch& s = stretches.emplace_back();
        double steps = 0.0, best = -1.0;
        for (size_t i = begin + 1; i < begin + window; ++i) {
            s.level += samples[i] * samples[i] / window;
            steps += (samples[i] - samples[i - 1]) * (samples[i] - samples[i - 1]) / window;
        }
        s.level = std::sqrt(s.level); // roughness: near 0 for low tones, above 1 for noise
        s.roughness = s.level > 0.0 ? std::sqrt(steps) / s.level : 0.0;
        for (double hertz = 60.0; hertz <= 300.0; hertz += 1.0)
            if (const double amplitude = toneAmplitude(samples, begin, window, hertz); amplitude > best)
                best = amplitude, s.fundamental = hertz;
        table << "\n  " << begin / window / 4.0 << " s: " << s.level << " rms, roughness " << s.roughness
              << ", " << s.fundamental << " Hz";
    }
    const auto isEngine = [](const Stretch& s) {
        return s.level > 0.02 && s.roughness < 0.25 && s.fundamental > cruiseHertz - 10.0 &&
               s.fundamental < boostHertz + 10.0;
    };
    const auto isCruise = [&](const Stretch& s) {
        return isEngine(s) && std::abs(s.fundamental - cruiseHertz) < 6.0;
    };
    const auto isCrash = [](const Stretch& s) { return s.level > 0.03 && s.roughness > 0.4; };

    const auto cruise = std::find_if(stretches.begin(), stretches.end(), isEngine);
    ASSERT_NE(cruise, stretches.end()) << "no engine" << table.str();
    EXPECT_TRUE(isCruise(*cruise)) << table.str();
    const auto peak = std::max_element(cruise, stretches.end(), [&](const Stretch& a, const Stretch& b) {
        return (isEngine(a) ? a.fundamental : 0.0) < (isEngine(b) ? b.fundamental : 0.0);
    });
    EXPECT_NEAR(peak->fundamental, boostHertz, 8.0) << "no boost in the engine's pitch" << table.str();
    const auto crash = std::find_if(std::find_if(peak, stretches.end(), isCruise), stretches.end(), isCrash);
    ASSERT_GT(stretches.end() - crash, 10) << "no cruise again, then a crash, then 2.5 s" << table.str();
    // From the crash on the engine is silent; the crash itself dies away within two seconds.
    EXPECT_EQ(std::find_if(crash, stretches.end(), isEngine), stretches.end()) << table.str();
    EXPECT_TRUE(std::all_of(crash + 8, stretches.end(), [](const Stretch& s) { return s.level < 0.002; }))
        << "not silent after the crash" << table.str();
}

} // namespace
