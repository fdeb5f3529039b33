// The real game's sound, recorded by OpenAL Soft's wave writer while real keys fly the jet: cruise, Left
// Shift held for the boost and released, then a dive into the ground. The recording's time line is the
// game's own, so nothing here depends on the frame rate.
#include "support/GameUnderTest.h"
#include "support/SoundRecording.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <tuple>

namespace {

constexpr size_t window = SoundRecording::recordingRate / 4;
// The engine loop's fundamental at cruise (pitch 1) and at the boost's pitch of 1.5.
constexpr double cruiseHertz = 110.0, boostHertz = 165.0;

struct Stretch {
    double seconds, level, roughness, fundamental;
};

std::ostream& operator<<(std::ostream& stream, const std::vector<Stretch>& stretches) {
    for (const Stretch& s : stretches)
        stream << "\n  " << s.seconds << " s: rms " << s.level << ", roughness " << s.roughness << ", "
               << s.fundamental << " Hz";
    return stream;
}

Stretch measure(const std::vector<float>& samples, size_t begin) {
    Stretch s{static_cast<double>(begin) / SoundRecording::recordingRate, 0.0, 0.0, 0.0};
    double steps = 0.0, best = -1.0;
    for (size_t i = begin; i < begin + window; ++i) {
        s.level += samples[i] * samples[i] / window;
        steps += i > begin ? std::pow(samples[i] - samples[i - 1], 2) / window : 0.0;
    }
    s.level = std::sqrt(s.level);
    // The first difference over the level: near 0 for low tones, above 1 for white noise.
    s.roughness = s.level > 0.0 ? std::sqrt(steps) / s.level : 0.0;
    for (double hertz = 60.0; hertz <= 300.0; hertz += 1.0)
        if (const double amplitude = toneAmplitude(samples, begin, window, hertz); amplitude > best)
            std::tie(best, s.fundamental) = std::pair{amplitude, hertz};
    return s;
}

TEST(Sound, EngineRisesWhileBoostingFallsBackAndTheCrashFollowsTheDive) {
    const SoundRecording recording(makeTempFolder("windlap-sound"));
    {
        GameUnderTest game(
            {"640", "360"}, WINDLAP_RUN_DIR,
            {"-u", "ALSOFT_DRIVERS", "-u", "ALSOFT_LOGLEVEL", "ALSOFT_CONF=" + recording.configPath()});
        ASSERT_TRUE(game.waitForWindow() && game.waitForFrames()) << game.diagnostics();
        for (const auto& [key, seconds] : {std::pair{"Shift_L", 2500ms}, std::pair{"w", 1000ms}}) {
            std::this_thread::sleep_for(key[0] == 'w' ? 3s : 1500ms);
            game.keyDown(key);
            std::this_thread::sleep_for(seconds);
            game.keyUp(key);
        }
        ASSERT_TRUE(waitUntil(
            [&] {
                return countWhere(game.screenshot("crashed"), {330, 285, 640, 310}, isWhite) > 20;
            },
            30s))
            << "no crash: " << game.diagnostics();
        std::this_thread::sleep_for(3s); // the crash sound dies away
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
    }
    const std::vector<float> samples = recording.samples();
    ASSERT_GT(samples.size(), 10u * SoundRecording::recordingRate) << "no recording";
    EXPECT_LT(*std::max_element(samples.begin(), samples.end(),
                                [](float a, float b) { return std::abs(a) < std::abs(b); }),
              1.0f)
        << "the mix clips";

    std::vector<Stretch> stretches;
    for (size_t begin = 0; begin + window <= samples.size(); begin += window)
        stretches.push_back(measure(samples, begin));
    const auto isEngine = [](const Stretch& s) {
        return s.level > 0.02 && s.roughness < 0.25 && s.fundamental > cruiseHertz - 10.0 &&
               s.fundamental < boostHertz + 10.0;
    };
    const auto isCruise = [&](const Stretch& s) {
        return isEngine(s) && std::abs(s.fundamental - cruiseHertz) < 6.0;
    };
    const auto isCrash = [](const Stretch& s) { return s.level > 0.03 && s.roughness > 0.4; };

    const auto cruise = std::find_if(stretches.begin(), stretches.end(), isEngine);
    ASSERT_NE(cruise, stretches.end()) << "no engine" << stretches;
    EXPECT_TRUE(isCruise(*cruise)) << stretches;
    const auto highest = std::max_element(cruise, stretches.end(), [&](const Stretch& a, const Stretch& b) {
        return (isEngine(a) ? a.fundamental : 0.0) < (isEngine(b) ? b.fundamental : 0.0);
    });
    EXPECT_NEAR(highest->fundamental, boostHertz, 8.0) << "no boost in the engine's pitch" << stretches;
    const auto fallenBack = std::find_if(highest, stretches.end(), isCruise);
    const auto crash = std::find_if(fallenBack, stretches.end(), isCrash);
    ASSERT_NE(crash, stretches.end()) << "no fall back to cruise and crash after the boost" << stretches;
    // From the crash on the engine is silent; the crash itself dies away within two seconds.
    EXPECT_EQ(std::find_if(crash, stretches.end(), isEngine), stretches.end()) << stretches;
    ASSERT_GT(stretches.end() - crash, 10) << "the recording ends too soon after the crash" << stretches;
    for (auto s = crash + 8; s != stretches.end(); ++s)
        EXPECT_LT(s->level, 0.002) << "not silent at " << s->seconds << " s" << stretches;
}

} // namespace
