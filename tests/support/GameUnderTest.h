#pragma once
#include "support/ChildProcess.h"
#include "support/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

// An Xvfb of its own with one screen (and so one video mode) of this size, named by DISPLAY while it lives.
// -displayfd: the server picks a free number and writes it once it accepts clients.
class XServer {
public:
    XServer(int width, int height)
        : server({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0",
                  std::to_string(width) + "x" + std::to_string(height) + "x24"}) {
        EXPECT_TRUE(waitUntil([&] { return server.now().out.find('\n') != std::string::npos; }, 10s))
            << server.now();
        setenv("DISPLAY", (":" + server.now().out.substr(0, server.now().out.find('\n'))).c_str(), 1);
    }
    // Asked to end, Xvfb removes its lock file and socket; killed, it would leave them behind.
    ~XServer() {
        ::kill(server.pid(), SIGTERM);
        server.wait(5s);
        setenv("DISPLAY", previousDisplay.c_str(), 1);
    }

private:
    const std::string previousDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    ChildProcess server;
};

// Runs an X tool on DISPLAY and returns its standard output; a failure is reported.
inline std::string xTool(const std::vector<std::string>& command) {
    const ProcessResult result = runProcess(command, 30s);
    EXPECT_EQ(result.exitStatus, 0) << command[0] << " " << command[1] << ": " << result;
    return result.out;
}
// Its visible window, or "".
inline std::string findWindow(pid_t pid) {
    const ProcessResult found =
        runProcess({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, 30s);
    return found.out.substr(0, found.out.find('\n'));
}
// Focuses the window (none: "") and sends the key through XTEST; action is "key" (a 1 ms tap), "keydown" or
// "keyup" (xdotool's default 12 ms). Not "--window": a synthetic event changes no key state.
inline bool sendKey(const std::string& window, const std::string& action, const std::string& key) {
    std::vector<std::string> command{"xdotool"};
    if (!window.empty())
        command.insert(command.end(), {"windowfocus", "--sync", window});
    command.insert(command.end(), {action, "--delay", action == "key" ? "1" : "12", key});
    return runProcess(command, 30s).exitStatus == 0;
}

// The game's first line, naming its first two arguments.
inline std::string startupLine(const std::string& firstTwo, const std::string& game = WINDLAP_BINARY) {
    return "You are running '" + game + "' with the arguments:" + firstTwo + "\n";
}

struct Region {
    int x0, y0, x1, y1; // row 0 at the top, x1 and y1 exclusive, clipped to the image
};
inline int countWhere(const Image& image, Region r, const std::function<bool(Rgb)>& predicate) {
    int matches = 0;
    for (int y = std::max(0, r.y0); y < std::min(image.height, r.y1); ++y)
        for (int x = std::max(0, r.x0); x < std::min(image.width, r.x1); ++x)
            matches += predicate(image.at(x, y));
    return matches;
}
inline bool isWhite(Rgb c) {
    return c.r == 255 && c.g == 255 && c.b == 255; // the HUD's fully covered text pixels
}

// The game started through env(1) with these settings ("-u NAME", "NAME=value") in folder, driven as a player
// would: X key events to its window, screenshots (also saved under <build>/test-shots/<test>/).
class GameUnderTest {
public:
    explicit GameUnderTest(const std::vector<std::string>& arguments = {},
                           const std::string& folder = WINDLAP_RUN_DIR,
                           const std::vector<std::string>& env = {}, const std::string& game = WINDLAP_BINARY)
        : process(command(env, game, arguments), folder) {}
    ~GameUnderTest() { releaseKeys(); }

    bool waitForWindow(std::chrono::milliseconds timeout = 60s) {
        waitUntil([&] { return !(window = findWindow(process.pid())).empty() || !running(); }, timeout);
        return !window.empty();
    }
    // Until two screenshots 300 ms apart differ: before its first frame the window holds still, and so does
    // a hung game. False if the game ended.
    bool waitForFrames(std::chrono::milliseconds timeout = 60s) {
        const auto moving = [&] {
            const Image first = screenshot("first");
            std::this_thread::sleep_for(300ms);
            return !running() || (first.width > 0 && first.rgb != screenshot("second").rgb);
        };
        return waitUntil(moving, timeout) && running();
    }
    const std::string& windowId() const { return window; }
    void keyDown(const std::string& key) {
        EXPECT_TRUE(sendKey(window, "keydown", key)) << key;
        held.insert(key);
    }
    // A key that ended the game has no window left to focus; it must come up in the server all the same.
    void keyUp(const std::string& key) {
        EXPECT_TRUE(sendKey("", "keyup", key)) << key;
        held.erase(key);
    }
    void tap(const std::string& key) { EXPECT_TRUE(sendKey(window, "key", key)) << key; }
    Image screenshot(const std::string& name) {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        const std::string file = std::string(WINDLAP_RUN_DIR) + "/../test-shots/" + test->test_suite_name() +
                                 "." + test->name() + "/" + name + ".png";
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        const bool taken = runProcess({"import", "-window", window, "png:" + file}, 30s).exitStatus == 0;
        return taken ? Image::load(file) : Image{}; // not a shot of an earlier run
    }
    bool running() { return process.running(); }
    ProcessResult diagnostics() { return process.now(); }
    ProcessResult waitForExit(std::chrono::milliseconds timeout = 60s) {
        const ProcessResult result = process.wait(timeout);
        releaseKeys();
        return result;
    }
    ProcessResult quitWithEscape(std::chrono::milliseconds timeout = 60s) {
        keyDown("Escape");
        return waitForExit(timeout);
    }

private:
    static std::vector<std::string> command(std::vector<std::string> env, const std::string& game,
                                            const std::vector<std::string>& arguments) {
        env.insert(env.begin(), "env");
        env.push_back(game);
        env.insert(env.end(), arguments.begin(), arguments.end());
        return env;
    }
    void releaseKeys() {
        while (!held.empty())
            keyUp(*held.begin());
    }

    ChildProcess process;
    std::string window;
    std::set<std::string> held;
};
