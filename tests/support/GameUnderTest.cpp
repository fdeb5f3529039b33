#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace {

std::vector<std::string> envCommand(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& env, const std::string& game) {
    std::vector<std::string> command{"env"};
    command.insert(command.end(), env.begin(), env.end());
    command.push_back(game);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

} // namespace

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
    // Focused first: xdotool's "--window" would send a synthetic event, which changes no key state.
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
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

int countWhere(const Image& image, Region r, const std::function<bool(Rgb)>& predicate) {
    int matches = 0;
    for (int y = std::max(0, r.y0); y < std::min(image.height, r.y1); ++y)
        for (int x = std::max(0, r.x0); x < std::min(image.width, r.x1); ++x)
            matches += predicate(image.at(x, y));
    return matches;
}

GameUnderTest::GameUnderTest(const std::vector<std::string>& arguments, const std::string& folder,
                             const std::vector<std::string>& env, const std::string& game)
    : process(envCommand(arguments, env, game), folder) {}

GameUnderTest::~GameUnderTest() {
    for (const std::string& key : std::set<std::string>(held))
        keyUp(key);
}

bool GameUnderTest::waitForWindow(std::chrono::milliseconds timeout) {
    return waitUntil([&] { return !(window = findWindow(process.pid())).empty() || !running(); }, timeout) &&
           !window.empty();
}

bool GameUnderTest::waitForFrames(std::chrono::milliseconds timeout) {
    return waitUntil(
               [&] {
                   const Image first = screenshot("first");
                   std::this_thread::sleep_for(300ms);
                   return !running() || (first.width > 0 && first.rgb != screenshot("second").rgb);
               },
               timeout) &&
           running();
}

void GameUnderTest::keyDown(const std::string& key) {
    EXPECT_TRUE(sendKey(window, "keydown", key)) << "could not press " << key;
    held.insert(key);
}

void GameUnderTest::keyUp(const std::string& key) {
    // Without a window: a key that ended the game must come up in the server all the same.
    EXPECT_TRUE(sendKey("", "keyup", key)) << "could not release " << key;
    held.erase(key);
}

void GameUnderTest::tap(const std::string& key) {
    EXPECT_TRUE(sendKey(window, "key", key)) << "could not tap " << key;
}

Image GameUnderTest::screenshot(const std::string& name) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string folder =
        std::string(WINDLAP_RUN_DIR) + "/../test-shots/" + test->test_suite_name() + "." + test->name();
    std::filesystem::create_directories(folder);
    if (runProcess({"import", "-window", window, "png:" + folder + "/" + name + ".png"}, 30s).exitStatus != 0)
        return {};
    return Image::load(folder + "/" + name + ".png");
}

ProcessResult GameUnderTest::waitForExit(std::chrono::milliseconds timeout) {
    const ProcessResult result = process.wait(timeout);
    for (const std::string& key : std::set<std::string>(held))
        keyUp(key);
    return result;
}

ProcessResult GameUnderTest::quitWithEscape(std::chrono::milliseconds timeout) {
    keyDown("Escape");
    return waitForExit(timeout);
}
