#pragma once
#include "support/ChildProcess.h"
#include "support/Image.h"
#include "support/XTools.h"

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The real game binary running on the X server of DISPLAY (scripts/test starts an Xvfb for the suite), driven
// the way a player would: real key events to its window, screenshots of what it shows.
//
// The game reads the keyboard once per frame and also counts presses that went down and up between two
// frames, so a tap of a millisecond is seen; holdKeyUntil holds a key until its effect shows.
//
//     GameUnderTest game({"800", "600"});
//     ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
//     Image shot = game.screenshot("start");
//     ProcessResult end = game.quitWithEscape();
//     EXPECT_EQ(end.exitStatus, 0) << end;
class GameUnderTest {
public:
    using Duration = std::chrono::milliseconds;
    static constexpr Duration defaultTimeout = std::chrono::seconds(60);

    // Starts the game (options.game, WINDLAP_BINARY unless set) in the run folder with these arguments and no
    // standard input.
    explicit GameUnderTest(const std::vector<std::string>& arguments = {},
                           const ProcessOptions& options = {});
    // Releases the keys still held and kills the game if it still runs.
    ~GameUnderTest();
    GameUnderTest(const GameUnderTest&) = delete;
    GameUnderTest& operator=(const GameUnderTest&) = delete;

    // Waits until the game has a window titled exactly title (false at the time-out or when the game ended
    // first). The key and screenshot calls below go to that window.
    bool waitForWindow(const std::string& title = "Windlap", Duration timeout = defaultTimeout);
    const std::string& windowId() const { return window; }
    std::string title() const;
    WindowSize size() const;

    void keyDown(const std::string& key);
    void keyUp(const std::string& key);
    // Press and release a millisecond apart.
    void tap(const std::string& key);
    // Holds key until condition is true or the time-out passes, then releases it; returns the condition's
    // value.
    bool holdKeyUntil(const std::string& key, const std::function<bool()>& condition,
                      Duration timeout = defaultTimeout);

    // Captures the window into the test's screenshot folder as name.png and returns its pixels.
    Image screenshot(const std::string& name);
    // Where screenshot puts its files: <build>/test-shots/<suite>.<test>/.
    static std::string screenshotFolder();

    bool running() { return process->running(); }
    // Waits for the game to end by itself (killed at the time-out, which the result records), then releases
    // the keys still held.
    ProcessResult waitForExit(Duration timeout = defaultTimeout);
    // Holds Escape until the game has ended and returns how it ended.
    ProcessResult quitWithEscape(Duration timeout = defaultTimeout);

    // How the game is doing and what it wrote so far, for failure messages.
    std::string diagnostics();
    pid_t pid() const { return process->pid(); }

private:
    void releaseHeldKeys();

    std::unique_ptr<ChildProcess> process;
    std::string window;
    std::set<std::string> heldKeys;
};

// Polls condition every few milliseconds until it is true or the time-out passes; returns its last value.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
