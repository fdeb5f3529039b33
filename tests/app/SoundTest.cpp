// The engine's glide at fixed frame times, the WAV reader on broken bytes, and the chimes of the ring and the
// hat in the game's own frames, recorded by OpenAL Soft's wave writer.
#include "app/EngineTone.h"
#include "app/FrameSteps.h"
#include "app/GameLoop.h"
#include "app/GameState.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "app/WaveFile.h"
#include "support/GlContext.h"
#include "support/PlaceAhead.h"
#include "support/SoundRecording.h"
#include "support/TestModels.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Half a second each of cruise (the fade-in), boost, cruise and silence, flown at one frame time; the tone is
// read at the end of each phase.
std::vector<std::pair<float, float>> flyTone(float dt) {
    EngineTone tone;
    std::vector<std::pair<float, float>> ends;
    const int frames = static_cast<int>(std::lround(0.5f / dt));
    for (int phase = 0; phase < 4; ++phase) {
        for (int i = 0; i < frames; ++i)
            tone.advance(dt, phase == 1, phase == 3);
        ends.push_back({tone.pitch(), tone.gain()});
    }
    return ends;
}

TEST(EngineTone, GlidesAlikeAtAnyFrameRate) {
    const auto reference = flyTone(1.0f / 60.0f);
    EXPECT_NEAR(reference[0].second, EngineTone::cruiseGain, 1e-4f) << "faded in after half a second";
    EXPECT_GT(reference[1].first, 1.4f) << "the boost raises the pitch";
    EXPECT_GT(reference[1].second, reference[0].second) << "and the loudness";
    EXPECT_LT(reference[2].first, 1.1f) << "back toward cruise";
    EXPECT_LT(reference[3].second, 0.01f) << "silent at the end";
    for (float dt : {1.0f / 10.0f, 1.0f / 20.0f, 1.0f / 30.0f, 1.0f / 144.0f}) {
        const auto flown = flyTone(dt);
        for (size_t phase = 0; phase < flown.size(); ++phase) {
            EXPECT_NEAR(flown[phase].first, reference[phase].first, 1e-4f)
                << "dt " << dt << " phase " << phase;
            EXPECT_NEAR(flown[phase].second, reference[phase].second, 1e-4f)
                << "dt " << dt << " phase " << phase;
        }
    }
    EngineTone start;
    start.advance(0.0f, false, false);
    EXPECT_EQ(start.gain(), 0.0f) << "the engine starts from silence";
}

std::string le(std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i)
        text += static_cast<char>(value >> (8 * i));
    return text;
}

std::string chunk(const std::string& id, const std::string& body) {
    return id + le(static_cast<std::uint32_t>(body.size()), 4) + body + std::string(body.size() % 2, '\0');
}

std::string format(int tag, int channels, int rate, int bits) {
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                             le(channels * bits / 8, 2) + le(bits, 2));
}

std::string riff(const std::string& chunks) {
    return "RIFF" + le(static_cast<std::uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

TEST(WaveFile, ReadsMono16BitPcmAndRefusesEverythingElse) {
    const std::string samples = le(1000, 2) + le(0xFC18, 2) + le(7, 2); // 1000, -1000, 7
    const std::string good = riff(format(1, 1, 22050, 16) + chunk("data", samples));
    const auto wave = parseWave(good);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->rate, 22050);
    EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{1000, -1000, 7}));
    // A chunk of odd length before the format is skipped with its pad byte.
    const auto padded =
        parseWave(riff(chunk("LIST", "abc") + format(1, 1, 44100, 16) + chunk("data", samples)));
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->samples.size(), 3u);

    const std::vector<std::pair<std::string, std::string>> broken{
        {"empty", ""},
        {"not RIFF", "RIFX" + good.substr(4)},
        {"cut in the header", good.substr(0, 30)},
        {"cut in the samples", good.substr(0, good.size() - 1)},
        {"stereo", riff(format(1, 2, 22050, 16) + chunk("data", samples))},
        {"8-bit", riff(format(1, 1, 22050, 8) + chunk("data", samples))},
        {"float", riff(format(3, 1, 22050, 32) + chunk("data", samples + samples))},
        {"rate 0", riff(format(1, 1, 0, 16) + chunk("data", samples))},
        {"samples before the format", riff(chunk("data", samples) + format(1, 1, 22050, 16))},
        {"no samples", riff(format(1, 1, 22050, 16) + chunk("data", ""))},
        {"a size past the end", riff(format(1, 1, 22050, 16) + "data" + le(0xFFFFFFF0u, 4) + samples)},
    };
    for (const auto& [name, bytes] : broken)
        EXPECT_FALSE(parseWave(bytes)) << name;
    EXPECT_FALSE(readWave("./Sounds/no-such-file.wav"));
}

// The scene assembled as the game does it, with its sound going to a recording.
class ChimeTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("windlap-chime");
        recording = std::make_unique<SoundRecording>(folder);
        unsetenv("ALSOFT_DRIVERS");
        setenv(recording->environment().first.c_str(), recording->environment().second.c_str(), 1);
        resetGameState();
        assembleScene(window);
        ASSERT_TRUE(gameSound && gameSound->audible()) << "no wave writer: " << recording->configPath();
        physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, 300.0f, 0.0f));
    }
    void TearDown() override {
        teardownScene();
        resetGameState();
        GlTest::TearDown();
    }

    // One game frame of 1/60 s, as the loop runs it.
    void frame() {
        const double now = glfwGetTime();
        double previous = now - 1.0 / 60.0;
        runFrame(window, previous);
    }
    // Frames for this long on the clock: the recording runs on the clock too.
    void play(std::chrono::milliseconds length) {
        const auto end = std::chrono::steady_clock::now() + length;
        while (std::chrono::steady_clock::now() < end)
            frame();
    }
    // Puts a trigger a little ahead of the jet's nose and flies until the score has moved.
    bool flyThrough(btRigidBody* actor, glm::mat4& modelMatrix) {
        const int before = score;
        for (int i = 0; i < 120 && score == before; ++i) {
            placeAheadOfJet(actor, modelMatrix, 5.0f);
            frame();
        }
        return score != before;
    }

    std::string folder;
    std::unique_ptr<SoundRecording> recording;
};

TEST_F(ChimeTest, TheRingAndTheHatEachRingTheirOwnChime) {
    play(1500ms);
    ASSERT_TRUE(flyThrough(physxHandler->ringActor, ring->modelMatrix)) << "the ring was not passed";
    EXPECT_EQ(score, 100);
    play(1500ms);
    ASSERT_TRUE(flyThrough(physxHandler->hatActor, hat->modelMatrix)) << "the hat was not collected";
    EXPECT_EQ(score, 120);
    play(1500ms);
    teardownScene();

    const std::vector<float> samples = recording->samples();
    const size_t window = SoundRecording::recordingRate / 10;
    ASSERT_GT(samples.size(), 30 * window);
    // Per tenth of a second, the strength of each chime's first note: the ring's E and the hat's G.
    std::vector<double> ringTone, hatTone;
    for (size_t begin = 0; begin + window <= samples.size(); begin += window) {
        ringTone.push_back(toneAmplitude(samples, begin, window, 1318.5));
        hatTone.push_back(toneAmplitude(samples, begin, window, 784.0));
    }
    const size_t ringPeak = std::max_element(ringTone.begin(), ringTone.end()) - ringTone.begin();
    const size_t hatPeak = std::max_element(hatTone.begin(), hatTone.end()) - hatTone.begin();
    // The first second is the engine alone.
    const double engineRing = *std::max_element(ringTone.begin() + 5, ringTone.begin() + 10);
    const double engineHat = *std::max_element(hatTone.begin() + 5, hatTone.begin() + 10);
    EXPECT_GT(ringPeak, 10u);
    EXPECT_GT(ringTone[ringPeak], 10.0 * engineRing) << "no ring chime";
    EXPECT_GT(hatPeak, ringPeak + 10) << "the hat's chime comes a second and a half after the ring's";
    EXPECT_GT(hatTone[hatPeak], 10.0 * engineHat) << "no hat chime";
    // Each chime is its own: the hat's has little of the ring's note, and the other way round.
    EXPECT_LT(ringTone[hatPeak], 0.2 * ringTone[ringPeak]);
    EXPECT_LT(hatTone[ringPeak], 0.2 * hatTone[hatPeak]);
}

} // namespace
