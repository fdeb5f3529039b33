// The real game's sound, recorded by OpenAL Soft's wave writer while real keys fly the jet: cruise, Left
// Shift held for the boost and released, then a dive into the ground. The recording's time line is the
// game's own, so nothing here depends on the frame rate.
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

Stretch measure(const std::vector<float>& samples, size_t begin) {
    Stretch s;
    double steps = 0.0, best = -1.0;
    for (size_t i = begin + 1; i < begin + window; ++i) {
        s.level += samples[i] * samples[i] / window;
        steps += (samples[i] - samples[i - 1]) * (samples[i] - samples[i - 1]) / window;
    }
    s.level = std::sqrt(s.level);
    s.roughness = s.level > 0.0 ? std::sqrt(steps) / s.level : 0.0; // near 0 for low tones, above 1 for noise
    for (double hertz = 60.0; hertz <= 300.0; hertz += 1.0)
        if (const double amplitude = toneAmplitude(samples, begin, window, hertz); amplitude > best) {
            best = amplitude;
            s.fundamental = hertz;
        }
    return s;
}

TEST(Sound, EngineRisesWhileBoostingFallsBackAndTheCrashFollowsTheDive) {
    const SoundRecording recording(makeTempFolder("windlap-sound"));
    {
        GameUnderTest game(
            {"640", "360"}, WINDLAP_RUN_DIR,
            {"-u", "ALSOFT_DRIVERS", "-u", "ALSOFT_LOGLEVEL", "ALSOFT_CONF=" + recording.configPath()});
        ASSERT_TRUE(game.waitForWindow() && game.waitForFrames()) << game.diagnostics();
        for (const auto& [key, pause, seconds] :
             {std::tuple{"Shift_L", 1500ms, 2500ms}, std::tuple{"w", 3000ms, 1000ms}}) {
            std::this_thread::sleep_for(pause);
            game.keyDown(key);
            std::this_thread::sleep_for(seconds);
            game.keyUp(key);
        }
        const auto crashed = [&] {
            return countWhere(game.screenshot("crashed"), {330, 285, 640, 310}, isWhite) > 20;
        };
        ASSERT_TRUE(waitUntil(crashed, 30s)) << "no crash: " << game.diagnostics();
        std::this_thread::sleep_for(3s); // the crash sound dies away
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(std::tie(end.exitStatus, end.err), std::make_tuple(0, "")) << end;
    }
    const std::vector<float> samples = recording.samples();
    ASSERT_GT(samples.size(), 10u * SoundRecording::recordingRate) << "no recording";
    EXPECT_LT(*std::max_element(samples.begin(), samples.end()), 1.0f) << "the mix clips";
    EXPECT_GT(*std::min_element(samples.begin(), samples.end()), -1.0f) << "the mix clips";

    std::vector<Stretch> stretches;
    std::ostringstream table;
    for (size_t begin = 0; begin + window <= samples.size(); begin += window) {
        const Stretch& s = stretches.emplace_back(measure(samples, begin));
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
    const auto highest = std::max_element(cruise, stretches.end(), [&](const Stretch& a, const Stretch& b) {
        return (isEngine(a) ? a.fundamental : 0.0) < (isEngine(b) ? b.fundamental : 0.0);
    });
    EXPECT_NEAR(highest->fundamental, boostHertz, 8.0) << "no boost in the engine's pitch" << table.str();
    const auto crash =
        std::find_if(std::find_if(highest, stretches.end(), isCruise), stretches.end(), isCrash);
    ASSERT_GT(stretches.end() - crash, 10)
        << "no fall back to cruise, then a crash, then 2.5 s" << table.str();
    // From the crash on the engine is silent; the crash itself dies away within two seconds.
    EXPECT_EQ(std::find_if(crash, stretches.end(), isEngine), stretches.end()) << table.str();
    EXPECT_TRUE(std::all_of(crash + 8, stretches.end(), [](const Stretch& s) { return s.level < 0.002; }))
        << "not silent after the crash" << table.str();
}

} // namespace
