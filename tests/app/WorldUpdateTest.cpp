// The assembled scene at fixed frame times, its sound and GL objects; the loop's pure steps; the WAV reader.
#include "app/EngineTone.h"
#include "app/FrameSteps.h"
#include "app/GameLoop.h"
#include "app/GameState.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "app/WaveFile.h"
#include "scene/Placement.h"
#include "support/GlContext.h"
#include "support/PlaceAhead.h"
#include "support/SoundRecording.h"
#include "support/TestModels.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using tavo::util::PhysxHandler;

// The game's scene; the jet flies far above where rings and pickups land, so only the tests raise events.
class WorldUpdateTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        unsetenv("ALSOFT_DRIVERS");
        setenv(recording.environment().first.c_str(), recording.environment().second.c_str(), 1);
        resetGameState();
        assembleScene(window);
        ASSERT_TRUE(physxHandler && plane && ring && boost && hat);
        physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, 300.0f, 0.0f));
    }
    void TearDown() override {
        teardownScene();
        resetGameState();
        GlTest::TearDown();
    }
    void frame(float dt = 1.0f / 30.0f) { updateWorld(window, dt); }
    SoundRecording recording{makeTempFolder("windlap-world")}; // the scene's sound
};

// Culling, the events, the clock running out, a crash and the end sequence, then the teardown.
TEST_F(WorldUpdateTest, EventsEndAndTeardownOfTheAssembledScene) {
    sharedInput->showFrameTime = 1;
    frame();
    renderMainPass();
    const unsigned int culled = drawnVertexCount;
    sharedInput->culling = 0;
    renderMainPass();
    EXPECT_TRUE(culled > 0u && drawnVertexCount > culled) << culled;
    EXPECT_GE(drawnVertexCount, 135000u) << "the nine pieces' 45,000 triangles";

    const glm::vec3 ringWas = PhysxHandler::getGlobalPosition(physxHandler->ringActor);
    plane->boostReserve = 3.0f;
    physxHandler->ringPassed = physxHandler->boostCollected = physxHandler->hatCollected = true;
    frame();
    EXPECT_TRUE(score == 120 && plane->boostReserve == 5.0f) << score << " " << plane->boostReserve;
    EXPECT_NE(PhysxHandler::getGlobalPosition(physxHandler->ringActor), ringWas);
    EXPECT_FALSE(tavo::scene::terrainAbove(*physxHandler, physxHandler->ringActor) ||
                 tavo::scene::terrainAbove(*physxHandler, physxHandler->boostActor))
        << "moved clear";
    EXPECT_TRUE(hat->collected && plane->wearsHat && physxHandler->hatActor == nullptr);
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_FALSE(score != 120 || physxHandler->boostCollected || physxHandler->ringPassed) << score;

    gameOver = true; // the clock ran out: no crash, no gravity
    frame(0.5f);
    EXPECT_FALSE(plane->crashed || physxHandler->gravityEnabled(physxHandler->planeActor));
    resetGameState();
    physxHandler->planeCrashed = true;
    for (int i = 0; i < 4; ++i)
        frame(0.5f);
    EXPECT_TRUE(gameOver && plane->crashed && endSequenceTimer <= 0.0f && fadeOverlay->remaining == 2.0f);
    const glm::mat4 frozen[] = {plane->modelMatrix, viewMatrix, ring->modelMatrix};
    frame(0.5f), frame(0.5f);
    EXPECT_TRUE(plane->modelMatrix == frozen[0] && viewMatrix == frozen[1] && ring->modelMatrix == frozen[2]);
    EXPECT_EQ(glm::vec2(fadeOverlay->remaining, prizeOverlay->remaining), glm::vec2(1.0f));

    const GLuint highest = glow->sceneTexture + 512;
    teardownScene();
    resetGameState();
    for (GLuint name = 1; name < highest; ++name)
        EXPECT_FALSE(glIsBuffer(name) || glIsTexture(name) || glIsVertexArray(name) ||
                     glIsFramebuffer(name) || glIsRenderbuffer(name) || glIsProgram(name) || glIsShader(name))
            << "GL name " << name << " is still alive";
    EXPECT_EQ(sharedInput, nullptr);
}

// A loop frame advances the world and the clock by the time since the previous frame, whatever it was.
TEST_F(WorldUpdateTest, ALoopFrameAdvancesByTheTimeSinceThePreviousOne) {
    const auto advance = [&](double gap) {
        const glm::vec3 before = PhysxHandler::getGlobalPosition(physxHandler->planeActor);
        const float clock = gameTimeLeft;
        double previous = glfwGetTime() - gap;
        runFrame(window, previous);
        return glm::vec2(glm::distance(before, PhysxHandler::getGlobalPosition(physxHandler->planeActor)),
                         clock - gameTimeLeft);
    };
    frame(), frame(); // under way
    const glm::vec2 none = advance(0.0), fifth = advance(0.2);
    EXPECT_TRUE(none.x < 0.05f * fifth.x && none.y < 0.01f && std::abs(fifth.y - 0.2f) < 0.02f)
        << none.x << " " << fifth.x << " " << fifth.y;
}

// Per tenth of a second (the recording runs on the clock), the ring's E and the hat's G: each rises tenfold
// over the engine alone of the first second, the hat's 1.5 s after the ring's.
TEST_F(WorldUpdateTest, TheRingAndTheHatEachRingTheirOwnChime) {
    const auto playThenFlyThrough = [&](btRigidBody* actor, glm::mat4& modelMatrix) {
        const auto loopFrame = [&] {
            double previous = glfwGetTime() - 1.0 / 60.0;
            runFrame(window, previous);
        };
        for (const auto end = std::chrono::steady_clock::now() + 1500ms;
             std::chrono::steady_clock::now() < end;)
            loopFrame();
        const int before = score;
        for (int i = 0; i < 120 && score == before && actor != nullptr; ++i)
            placeAheadOfJet(actor, modelMatrix, 5.0f), loopFrame();
        return score != before;
    };
    ASSERT_TRUE(playThenFlyThrough(physxHandler->ringActor, ring->modelMatrix)) << "the ring was not passed";
    ASSERT_TRUE(playThenFlyThrough(physxHandler->hatActor, hat->modelMatrix)) << "the hat was not collected";
    playThenFlyThrough(nullptr, hat->modelMatrix);
    teardownScene();
    const std::vector<float> samples = recording.samples();
    const size_t tenth = SoundRecording::recordingRate / 10;
    ASSERT_GT(samples.size(), 30 * tenth) << "no wave writer: " << recording.configPath();
    size_t peaks[2];
    for (int k = 0; k < 2; ++k) {
        std::vector<double> tone;
        for (size_t begin = 0; begin + tenth <= samples.size(); begin += tenth)
            tone.push_back(toneAmplitude(samples, begin, tenth, k == 0 ? 1318.5 : 784.0));
        peaks[k] = std::max_element(tone.begin(), tone.end()) - tone.begin();
        EXPECT_GT(tone[peaks[k]], 10.0 * *std::max_element(tone.begin() + 5, tone.begin() + 10)) << k;
    }
    EXPECT_TRUE(peaks[0] > 10u && peaks[1] > peaks[0] + 10) << peaks[0] << " " << peaks[1];
}

// (pitch, gain) at the start, then after half a second each of cruise, boost, cruise and silence.
std::vector<glm::vec2> flyTone(float dt) {
    EngineTone tone;
    tone.advance(0.0f, false, false);
    std::vector<glm::vec2> ends{{tone.pitch(), tone.gain()}};
    for (int phase = 0; phase < 4; ++phase) {
        for (int i = 0; i < std::lround(0.5f / dt); ++i)
            tone.advance(dt, phase == 1, phase == 3);
        ends.push_back({tone.pitch(), tone.gain()});
    }
    return ends;
}

std::string le(std::uint32_t value, int bytes) {
    return bytes == 0 ? "" : static_cast<char>(value & 0xFF) + le(value >> 8, bytes - 1);
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

TEST(GameLoop, EngineToneZoomClockAndTheWaveReader) {
    // From silence faded in; the boost raises pitch and loudness; back toward cruise; then silent.
    const auto r = flyTone(1.0f / 60.0f);
    EXPECT_TRUE(r[0].y == 0.0f && std::abs(r[1].y - EngineTone::cruiseGain) < 1e-4f && r[2].x > 1.4f &&
                r[2].y > r[1].y && r[3].x < 1.1f && r[4].y < 0.01f);
    for (float dt : {1.0f / 10.0f, 1.0f / 20.0f, 1.0f / 30.0f, 1.0f / 144.0f}) {
        const auto flown = flyTone(dt);
        for (size_t phase = 0; phase < flown.size(); ++phase)
            EXPECT_LT(glm::distance(flown[phase], r[phase]), 1.5e-4f) << dt << " " << phase;
    }

    // The boost zoom widens to 1.2 and snaps back to exactly 1; the clock ends the game crossing zero.
    float zoom = 1.0f;
    int rebuilds = 0;
    for (int frame = 0; frame < 300; ++frame)
        rebuilds += advanceZoom(zoom, true, 1.0f / 60.0f);
    EXPECT_TRUE(zoom >= 1.2f && zoom < 1.2f + 1.0f / 600.0f + 1e-6f && rebuilds < 300) << zoom;
    int frames = 0;
    while (advanceZoom(zoom, false, 1.0f / 60.0f) && frames < 1000)
        ++frames;
    EXPECT_TRUE(zoom == 1.0f && std::abs(frames - 121) <= 2) << zoom << " " << frames;

    resetGameState();
    advanceGameClock(179.0f);
    const bool early = gameOver;
    advanceGameClock(1.01f), advanceGameClock(0.5f);
    EXPECT_TRUE(!early && gameOver && std::abs(gameTimeLeft + 0.01f) < 1e-4f) << "runs on past zero";

    // The WAV reader takes mono 16-bit PCM and refuses everything else.
    const std::string pcm = le(1000, 2) + le(0xFC18, 2) + le(7, 2); // 1000, -1000, 7
    const std::string good = riff(format(1, 1, 22050, 16) + chunk("data", pcm));
    const auto wave = parseWave(good);
    // A chunk of odd length before the format is skipped with its pad byte.
    const auto padded = parseWave(riff(chunk("LIST", "abc") + format(1, 1, 44100, 16) + chunk("data", pcm)));
    ASSERT_TRUE(wave && padded);
    EXPECT_TRUE(wave->rate == 22050 && wave->samples == (std::vector<std::int16_t>{1000, -1000, 7}) &&
                padded->samples == wave->samples);
    const std::pair<const char*, std::string> broken[] = {
        {"empty", ""},
        {"not RIFF", "RIFX" + good.substr(4)},
        {"cut in the header", good.substr(0, 30)},
        {"cut in the samples", good.substr(0, good.size() - 1)},
        {"stereo", riff(format(1, 2, 22050, 16) + chunk("data", pcm))},
        {"8-bit", riff(format(1, 1, 22050, 8) + chunk("data", pcm))},
        {"float", riff(format(3, 1, 22050, 32) + chunk("data", pcm + pcm))},
        {"rate 0", riff(format(1, 1, 0, 16) + chunk("data", pcm))},
        {"samples before the format", riff(chunk("data", pcm) + format(1, 1, 22050, 16))},
        {"no samples", riff(format(1, 1, 22050, 16) + chunk("data", ""))},
        {"a size past the end", riff(format(1, 1, 22050, 16) + "data" + le(0xFFFFFFF0u, 4) + pcm)},
    };
    for (const auto& [name, bytes] : broken)
        EXPECT_FALSE(parseWave(bytes)) << name;
    EXPECT_FALSE(readWave("./Sounds/no-such-file.wav"));
}

} // namespace
