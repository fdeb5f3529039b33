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

    void keyDown(const std::string& key);
    void keyUp(const std::string& key);
    // Press and release a millisecond apart.
    void tap(const std::string& key);

    // Captures the window as <build>/test-shots/<suite>.<test>/name.png and returns its pixels.
    Image screenshot(const std::string& name);

    bool running() { return process->running(); }
    // Waits for the game to end by itself (killed at the time-out, which the result records), then releases
    // the keys still held.
    ProcessResult waitForExit(Duration timeout = defaultTimeout);
    // Holds Escape until the game has ended and returns how it ended.
    ProcessResult quitWithEscape(Duration timeout = defaultTimeout);

    // How the game is doing and what it wrote so far, for failure messages.
    std::string diagnostics();

private:
    void releaseHeldKeys();

    std::unique_ptr<ChildProcess> process;
    std::string window;
    std::set<std::string> heldKeys;
};

// Polls condition every few milliseconds until it is true or the time-out passes; returns its last value.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
