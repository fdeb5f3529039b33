#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

std::string xTool(const std::vector<std::string>& command) {
    const ProcessResult result = runProcess(command, 30s);
    EXPECT_EQ(result.exitStatus, 0) << command[0] << " " << command[1] << ": " << result;
    return result.out;
}

std::string findWindow(pid_t pid) {
    const ProcessResult found =
        runProcess({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, 30s);
    return found.out.substr(0, found.out.find('\n'));
}

bool sendKey(const std::string& window, const std::string& action, const std::string& key) {
    std::vector<std::string> command{"xdotool"};
    if (!window.empty())
        command.insert(command.end(), {"windowfocus", "--sync", window});
    command.push_back(action);
    if (action == "key")
        command.insert(command.end(), {"--delay", "1"});
    command.push_back(key);
    return runProcess(command, 30s).exitStatus == 0;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); std::this_thread::sleep_for(20ms))
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    return true;
}

int countWhere(const Image& image, Region r, const std::function<bool(Rgb)>& predicate) {
    int matches = 0;
    for (int y = std::max(0, r.y0); y < std::min(image.height, r.y1); ++y)
        for (int x = std::max(0, r.x0); x < std::min(image.width, r.x1); ++x)
            matches += predicate(image.at(x, y));
    return matches;
}

static std::vector<std::string> withEnv(std::vector<std::string> env, const std::string& game,
                                        const std::vector<std::string>& arguments) {
    env.insert(env.begin(), "env");
    env.push_back(game);
    env.insert(env.end(), arguments.begin(), arguments.end());
    return env;
}

GameUnderTest::GameUnderTest(const std::vector<std::string>& arguments, const std::string& folder,
                             const std::vector<std::string>& env, const std::string& game)
    : process(withEnv(env, game, arguments), folder) {}

bool GameUnderTest::waitForWindow(std::chrono::milliseconds timeout) {
    return waitUntil([&] { return !(window = findWindow(process.pid())).empty() || !running(); }, timeout) &&
           !window.empty();
}

bool GameUnderTest::waitForFrames(std::chrono::milliseconds timeout) {
    const auto moving = [&] {
        const Image first = screenshot("first");
        std::this_thread::sleep_for(300ms);
        return !running() || (first.width > 0 && first.rgb != screenshot("second").rgb);
    };
    return waitUntil(moving, timeout) && running();
}

void GameUnderTest::keyDown(const std::string& key) {
    EXPECT_TRUE(sendKey(window, "keydown", key)) << key;
    held.insert(key);
}

void GameUnderTest::keyUp(const std::string& key) {
    // A key that ended the game has no window left to focus; it must come up in the server all the same.
    EXPECT_TRUE(sendKey("", "keyup", key)) << key;
    held.erase(key);
}

void GameUnderTest::releaseKeys() {
    while (!held.empty())
        keyUp(*held.begin());
}

Image GameUnderTest::screenshot(const std::string& name) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string file = std::string(WINDLAP_RUN_DIR) + "/../test-shots/" + test->test_suite_name() +
                             "." + test->name() + "/" + name + ".png";
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    return runProcess({"import", "-window", window, "png:" + file}, 30s).exitStatus == 0 ? Image::load(file)
                                                                                         : Image{};
}

ProcessResult GameUnderTest::waitForExit(std::chrono::milliseconds timeout) {
    const ProcessResult result = process.wait(timeout);
    releaseKeys();
    return result;
}

ProcessResult GameUnderTest::quitWithEscape(std::chrono::milliseconds timeout) {
    keyDown("Escape");
    return waitForExit(timeout);
}
