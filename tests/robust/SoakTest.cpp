// The real game binary played for a long while with random keys (keyboard only): it must stay alive, its
// resident memory must stop growing once every mode has been seen, and Escape must end it with status 0 and
// nothing on standard error.
//
// WINDLAP_SOAK_SECONDS sets the seconds of random play after a warm-up of about 15 seconds (default 30, a
// short run for CI; 900 or more by hand).
#include "support/GameUnderTest.h"
#include "support/ProcessStatus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::seconds soakLength() {
    const char* text = std::getenv("WINDLAP_SOAK_SECONDS");
    return std::chrono::seconds(text ? std::max(20L, std::atol(text)) : 30L);
}

ProcessOptions soakOptions() {
    ProcessOptions options;
    options.silentStdinPipe = true;
#if defined(__SANITIZE_ADDRESS__)
    // The game is built like this test. AddressSanitizer keeps freed blocks in a quarantine of 256 MB before
    // reusing them, which reads as growth for far longer than any warm-up; a small one fills within it.
    const char* inherited = std::getenv("ASAN_OPTIONS");
    options.set.push_back(
        {"ASAN_OPTIONS", std::string(inherited ? inherited : "") + ":quarantine_size_mb=16"});
#endif
    return options;
}

class Soak : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run the suite through scripts/test";
    }
};

TEST_F(Soak, RandomKeysKeepTheGameAliveWithFlatMemoryUntilEscapeEndsIt) {
    const auto length = soakLength();
    GameUnderTest game({"320", "180"}, soakOptions());
    ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();

    // Warm-up: every debug switch pressed until it is back where it started (F5 has three modes, V three
    // cameras), so the driver has built every pipeline variant the game uses. The game reads the keys once a
    // frame: each is held long enough for several frames.
    for (const char* key : {"F1", "F1", "F2", "F2", "F3", "F3", "F4", "F4", "F5", "F5", "F5", "F8", "F8",
                            "F9", "F9", "v", "v", "v"}) {
        game.keyDown(key);
        std::this_thread::sleep_for(400ms);
        game.keyUp(key);
        std::this_thread::sleep_for(400ms);
        ASSERT_TRUE(game.running()) << game.diagnostics();
    }

    // Then flight keys at random, a new set every half second; the process is looked at after every set, its
    // memory once the play has settled (and for at least ten looks, however slow the machine).
    const auto playStart = Clock::now();
    const auto settled = std::max<Clock::duration>(10s, length / 4);
    std::mt19937 random(20260601u);
    const std::vector<std::string> flightKeys{"w", "s", "a", "d", "q", "e", "Shift_L"};
    std::vector<long> residentKb;
    while (Clock::now() - playStart < length || residentKb.size() < 10) {
        std::vector<std::string> keys{flightKeys[random() % flightKeys.size()]};
        if (random() % 3 == 0)
            keys.push_back(flightKeys[random() % flightKeys.size()]);
        for (const std::string& key : keys)
            game.keyDown(key);
        std::this_thread::sleep_for(500ms);
        for (const std::string& key : keys)
            game.keyUp(key);
        ASSERT_TRUE(game.running()) << "the game ended during the soak: " << game.diagnostics();
        if (Clock::now() - playStart >= settled)
            residentKb.push_back(residentKilobytes(game.pid()));
    }

    // Flat memory: the later half of the looks holds no more than the earlier half did, up to the noise of
    // the allocator and the driver's caches (and the end-of-game pictures, first drawn whenever the game
    // ends). A long run by hand catches a leak of a few hundred bytes a frame.
    const auto half = residentKb.begin() + static_cast<long>(residentKb.size() / 2);
    const long earlier = *std::max_element(residentKb.begin(), half);
    const long later = *std::max_element(half, residentKb.end());
    std::cout << "resident memory after the warm-up: " << residentKb.front() << " kB, at the end "
              << residentKb.back() << " kB (" << residentKb.size() << " looks)\n";
    EXPECT_LE(later, earlier + 8192) << "resident memory grew after the warm-up";

    const ProcessResult end = game.quitWithEscape();
    EXPECT_FALSE(end.timedOut) << end;
    EXPECT_EQ(end.signal, 0) << end;
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.err, "") << end;
    EXPECT_EQ(end.out,
              std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:320 and 180\n")
        << end;
}

} // namespace
