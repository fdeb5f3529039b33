// A long game in this process: the real start-up, scene assembly, frame and teardown functions, steered by
// random real key events to the game's own window, with the ring and the boost can put in the jet's path
// again and again so that it flies through them. Frames are counted exactly and every one advances the game
// by 1/60 s, whatever the machine's speed.
//
// WINDLAP_SOAK_FRAMES sets the length (default 900, a short run for CI; 20000 or more by hand).
#include "app/FrameSteps.h"
#include "app/GameLoop.h"
#include "app/GameState.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "app/Startup.h"
#include "support/GameUnderTest.h"
#include "support/PlaceAhead.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <set>

#if defined(__SANITIZE_ADDRESS__)
// Freed blocks wait in AddressSanitizer's quarantine (256 MB by default) before reuse, which would read as
// growth for far longer than any warm-up; a small one fills within the warm-up. Flags in ASAN_OPTIONS still
// come on top of these.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
#endif

namespace {

using namespace std::chrono_literals;

constexpr float frameTime = 1.0f / 60.0f;

long soakFrames() {
    const char* text = std::getenv("WINDLAP_SOAK_FRAMES");
    return text ? std::max(900L, std::atol(text)) : 900L;
}

// Resident memory (VmRSS) in kibibytes.
long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Keys held in the X server for the game's window; whatever is still down is released at the end, so no
// later test starts with a key held.
class Keyboard {
public:
    explicit Keyboard(std::string window) : window(std::move(window)) {}
    ~Keyboard() { holdOnly({}); }
    void holdOnly(const std::set<std::string>& keys) {
        for (auto key = held.begin(); key != held.end();) {
            if (keys.count(*key)) {
                ++key;
                continue;
            }
            EXPECT_TRUE(sendKey(window, "keyup", *key) || releaseKey(*key)) << "could not release " << *key;
            key = held.erase(key);
        }
        for (const std::string& key : keys) {
            if (held.insert(key).second) {
                EXPECT_TRUE(sendKey(window, "keydown", key)) << "could not press " << key;
            }
        }
    }

private:
    std::string window;
    std::set<std::string> held;
};

class SoakInProcess : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run the suite through scripts/test";
        ASSERT_EQ(chdir(WINDLAP_RUN_DIR), 0);
        // What main does, at a small size so that frames are quick.
        StartupSettings settings;
        settings.xResolution = xResolution = 320;
        settings.yResolution = yResolution = 180;
        resetGameState();
        window = openWindow(settings);
        assembleScene(window);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glViewport(0, 0, xResolution, yResolution);
        ASSERT_TRUE(physxHandler && plane && ring && boost && hat);
        // Open with a frame already shown, so the window can be found and focused.
        runFrame();
        ASSERT_TRUE(waitUntil(
            [&] {
                glfwPollEvents();
                windowId = findWindow(getpid(), "Windlap");
                return !windowId.empty();
            },
            30s));
    }
    void TearDown() override {
        if (!window)
            return;
        teardownScene();
        glfwTerminate();
        resetGameState();
    }

    void runFrame() {
        previousTime = glfwGetTime() - frameTime;
        ::runFrame(window, previousTime);
    }

    // The jet back to a height with room below it, level, nose along +z.
    void liftJet() { physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, 150.0f, 0.0f)); }

    // A crash ends the game for good; the soak puts the jet back into the air and plays on.
    void reviveAfterCrash() {
        gameOver = false;
        endSequenceTimer = 2.0f;
        plane->crashed = false;
        physxHandler->planeCrashed = false;
        physxHandler->setGravityEnabled(physxHandler->planeActor, false);
        liftJet();
    }

    GLFWwindow* window = nullptr;
    std::string windowId;
    double previousTime = 0.0;
};

TEST_F(SoakInProcess, FliesThroughRingsAndCansForThousandsOfFramesWithFlatMemory) {
    const long frames = soakFrames();
    // The warm-up presses every debug switch until it is back where it started (F5 has three modes, V three
    // cameras), so the driver has built every pipeline variant the game uses before memory is watched.
    const std::vector<std::string> switches{"F1", "F1", "F2", "F2", "F3", "F3", "F4", "F4", "F5",
                                            "F5", "F5", "F8", "F8", "F9", "F9", "v",  "v",  "v"};
    const long keyPeriod = 10;
    const long warmUp = std::max(400L, frames / 5);
    ASSERT_LT(static_cast<long>(switches.size()) * 2 * keyPeriod, warmUp);
    std::mt19937 random(20260601u);
    const std::vector<std::string> flightKeys{"w", "s", "a", "d", "q", "e"};
    Keyboard keyboard(windowId);
    liftJet();

    // The opening frame's step may already have raised the ring's flag (a ring placed across the jet's
    // start): the first frame of the loop scores it.
    const long ringPendingAtStart = physxHandler->ringPassed ? 1 : 0;
    long ringPlacements = 0, canPlacements = 0, rings = 0, cans = 0, crashes = 0;
    std::vector<long> samples; // resident kilobytes every 50 frames after the warm-up
    for (long frame = 1; frame <= frames; ++frame) {
        if (frame % keyPeriod == 0) {
            std::set<std::string> keys{flightKeys[random() % flightKeys.size()]};
            if (random() % 3 == 0)
                keys.insert(flightKeys[random() % flightKeys.size()]);
            if (random() % 4 == 0)
                keys.insert("Shift_L");
            // A switch acts on its press: each one is held for one period and let go for the next.
            const size_t step = static_cast<size_t>(frame / keyPeriod);
            if (step % 2 == 1 && step / 2 < switches.size())
                keys.insert(switches[step / 2]);
            keyboard.holdOnly(keys);
        }
        if (frame % 600 == 0)
            liftJet();
        if (frame % 45 == 0) {
            if ((frame / 45) % 2 == 0) {
                placeAheadOfJet(physxHandler->ringActor, ring->modelMatrix, 40.0f);
                ++ringPlacements;
            } else {
                placeAheadOfJet(physxHandler->boostActor, boost->modelMatrix, 40.0f);
                ++canPlacements;
            }
        }
        // The clock would end the game after 180 s of play.
        if (gameTimeLeft < 10.0f)
            gameTimeLeft = 180.0f;

        runFrame();
        ASSERT_FALSE(glfwWindowShouldClose(window)) << "the game closed by itself at frame " << frame;

        // The step at the end of the frame raised these; the next frame's world update acts on them.
        rings += physxHandler->ringPassed;
        cans += physxHandler->boostCollected;
        if (gameOver) {
            ++crashes;
            reviveAfterCrash();
        }
        if (frame >= warmUp && frame % 50 == 0)
            samples.push_back(residentKilobytes());
    }

    std::cout << frames << " frames: " << rings << " of " << ringPlacements << " rings and " << cans << " of "
              << canPlacements << " cans flown through, " << crashes << " crashes, score " << score
              << (ringPendingAtStart ? " (one ring passed in the opening frame)" : "") << "\n";
    EXPECT_GE(rings, ringPlacements / 4) << "too few ring passes";
    EXPECT_GE(cans, canPlacements / 4) << "too few cans collected";
    // Every pass scored 100 once (a pass in the last frame is scored by the next), the hat 20 if it was met.
    EXPECT_EQ(score,
              100 * (ringPendingAtStart + rings - physxHandler->ringPassed) + (hat->collected ? 20 : 0));

    // Flat memory: the second half of the watched frames holds no more than the first half did, up to the
    // noise of the allocator and the driver's caches (a few kilobytes here). The 4 MB margin lets through
    // about 16 kB a frame in the short default run and 0.4 kB in a run of 20000 frames.
    ASSERT_GE(samples.size(), 10u);
    const size_t half = samples.size() / 2;
    const long firstRss = *std::max_element(samples.begin(), samples.begin() + half);
    const long laterRss = *std::max_element(samples.begin() + half, samples.end());
    std::cout << "resident " << samples.front() << " -> " << samples.back() << " kB\n";
    EXPECT_LE(laterRss, firstRss + 4096) << "resident memory grew after the warm-up";

    // Escape closes the window at the end of the frame that saw it.
    keyboard.holdOnly({"Escape"});
    long escapeFrames = 0;
    while (!glfwWindowShouldClose(window) && escapeFrames < 600) {
        runFrame();
        ++escapeFrames;
    }
    keyboard.holdOnly({});
    EXPECT_TRUE(glfwWindowShouldClose(window)) << "Escape did not close the window";
}

} // namespace
