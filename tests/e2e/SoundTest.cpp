// The real game's sound, recorded by OpenAL Soft's wave writer while real key events fly the jet: cruise,
// Left Shift held for the boost and released, then a dive into the ground. The recording is read back
// afterwards; its time line is the game's own, so nothing here depends on the frame rate.
#include "support/GameUnderTest.h"
#include "support/ScreenProbe.h"
#include "support/SoundRecording.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int rate = SoundRecording::recordingRate;
constexpr size_t window = rate / 4;
// The engine loop's fundamental at cruise (pitch 1) and at the boost's pitch of 1.5.
constexpr double cruiseHertz = 110.0;
constexpr double boostHertz = 165.0;

struct Stretch {
    double seconds;
    double level;
    double roughness;
    double fundamental;
};

std::ostream& operator<<(std::ostream& stream, const std::vector<Stretch>& stretches) {
    for (const Stretch& s : stretches)
        stream << "\n  " << s.seconds << " s: rms " << s.level << ", roughness " << s.roughness << ", "
               << s.fundamental << " Hz";
    return stream;
}

TEST(SoundTest, EngineRisesWhileBoostingFallsBackAndTheCrashFollowsTheDive) {
    const std::string folder = makeTempFolder("windlap-sound");
    const SoundRecording recording(folder);
    ProcessOptions options;
    options.unset = {"ALSOFT_DRIVERS", "ALSOFT_LOGLEVEL"};
    options.set = {recording.environment()};

    {
        GameUnderTest game({"640", "360"}, options);
        ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
        const auto isSky = [](const MeanColour& c) { return c.b > c.r + 40 && c.b > c.g; };
        ASSERT_TRUE(waitUntil(
            [&] {
                return isSky(meanColour(game.screenshot("start"), {0, 0, 640, 36}));
            },
            60s));
        std::this_thread::sleep_for(1500ms);
        game.keyDown("Shift_L");
        std::this_thread::sleep_for(2500ms);
        game.keyUp("Shift_L");
        std::this_thread::sleep_for(3s);
        game.keyDown("w");
        std::this_thread::sleep_for(1s);
        game.keyUp("w");
        const Region endText{330, 285, 640, 310};
        ASSERT_TRUE(waitUntil([&] { return whitePixels(game.screenshot("crashed"), endText) > 20; }, 30s))
            << "no crash: " << game.diagnostics();
        // The crash sound dies away, the engine has gone quiet with the end sequence.
        std::this_thread::sleep_for(3s);
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
    }

    const std::vector<float> samples = recording.samples();
    ASSERT_GT(samples.size(), 10u * rate) << "no recording at " << recording.filePath();
    float peak = 0.0f;
    for (float x : samples)
        peak = std::max(peak, std::abs(x));
    EXPECT_LT(peak, 1.0f) << "the mix clips";

    std::vector<Stretch> stretches;
    for (size_t begin = 0; begin + window <= samples.size(); begin += window)
        stretches.push_back({static_cast<double>(begin) / rate, rms(samples, begin, window),
                             roughness(samples, begin, window),
                             strongestFrequency(samples, begin, window, 60.0, 300.0)});
    // The engine is a low tone in its range, the crash a noise.
    const auto isEngine = [](const Stretch& s) {
        return s.level > 0.02 && s.roughness < 0.25 && s.fundamental > cruiseHertz - 10.0 &&
               s.fundamental < boostHertz + 10.0;
    };
    const auto isCrash = [](const Stretch& s) { return s.level > 0.03 && s.roughness > 0.4; };

    const auto firstEngine = std::find_if(stretches.begin(), stretches.end(), isEngine);
    ASSERT_NE(firstEngine, stretches.end()) << "no engine" << stretches;
    EXPECT_NEAR(firstEngine->fundamental, cruiseHertz, 6.0) << stretches;
    const auto highest =
        std::max_element(stretches.begin(), stretches.end(), [&](const Stretch& a, const Stretch& b) {
            return (isEngine(a) ? a.fundamental : 0.0) < (isEngine(b) ? b.fundamental : 0.0);
        });
    EXPECT_NEAR(highest->fundamental, boostHertz, 8.0) << "no boost in the engine's pitch" << stretches;
    const auto fallenBack = std::find_if(highest, stretches.end(), [&](const Stretch& s) {
        return isEngine(s) && std::abs(s.fundamental - cruiseHertz) < 6.0;
    });
    ASSERT_NE(fallenBack, stretches.end()) << "the pitch did not fall back to cruise" << stretches;
    const auto crash = std::find_if(fallenBack, stretches.end(), isCrash);
    ASSERT_NE(crash, stretches.end()) << "no crash sound after the boost" << stretches;
    // From the crash on the engine is silent; the crash itself dies away within two seconds.
    EXPECT_EQ(std::find_if(crash, stretches.end(), isEngine), stretches.end()) << stretches;
    ASSERT_GT(stretches.end() - crash, 10) << "the recording ends too soon after the crash" << stretches;
    for (auto s = crash + 8; s != stretches.end(); ++s)
        EXPECT_LT(s->level, 0.002) << "not silent at " << s->seconds << " s" << stretches;
}

} // namespace
