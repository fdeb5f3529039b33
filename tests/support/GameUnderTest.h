#pragma once
#include "support/ChildProcess.h"
#include "support/Image.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace std::chrono_literals;

// The X screen of the test's own Xvfb (TestMain), which a full-screen window covers.
constexpr int screenWidth = 1280, screenHeight = 1024;

// Runs an X tool on DISPLAY and returns its standard output; a failure is reported.
std::string xTool(const std::vector<std::string>& command);
std::string findWindow(pid_t pid); // its visible window, or ""
// Focuses the window (none: "") and sends the key through XTEST; action is "key" (a 1 ms tap), "keydown" or
// "keyup". Not xdotool's "--window": that sends a synthetic event, which changes no key state.
bool sendKey(const std::string& window, const std::string& action, const std::string& key);
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The game's first line, naming its first two arguments.
inline std::string startupLine(const std::string& firstTwo, const std::string& game = WINDLAP_BINARY) {
    return "You are running '" + game + "' with the arguments:" + firstTwo + "\n";
}

struct Region {
    int x0, y0, x1, y1; // row 0 at the top, x1 and y1 exclusive, clipped to the image
};
int countWhere(const Image& image, Region region, const std::function<bool(Rgb)>& predicate);
inline bool isWhite(Rgb c) {
    return c.r == 255 && c.g == 255 && c.b == 255; // the HUD's fully covered text pixels
}

// The game started through env(1) with these settings ("-u NAME", "NAME=value") in folder, driven as a player
// would: X key events to its window, screenshots (also saved under <build>/test-shots/<test>/).
class GameUnderTest {
public:
    explicit GameUnderTest(const std::vector<std::string>& arguments = {},
                           const std::string& folder = WINDLAP_RUN_DIR,
                           const std::vector<std::string>& env = {},
                           const std::string& game = WINDLAP_BINARY);
    ~GameUnderTest() { releaseKeys(); }

    bool waitForWindow(std::chrono::milliseconds timeout = 60s);
    // Until two screenshots 300 ms apart differ: before its first frame the window holds still, and so does
    // a hung game. False if the game ended.
    bool waitForFrames(std::chrono::milliseconds timeout = 60s);
    const std::string& windowId() const { return window; }
    void keyDown(const std::string& key);
    void keyUp(const std::string& key);
    void tap(const std::string& key) { EXPECT_TRUE(sendKey(window, "key", key)) << key; }
    Image screenshot(const std::string& name);
    bool running() { return process.running(); }
    ProcessResult diagnostics() { return process.now(); }
    ProcessResult waitForExit(std::chrono::milliseconds timeout = 60s);
    ProcessResult quitWithEscape(std::chrono::milliseconds timeout = 60s);

private:
    void releaseKeys();

    ChildProcess process;
    std::string window;
    std::set<std::string> held;
};
