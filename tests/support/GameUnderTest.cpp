#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

GameUnderTest::GameUnderTest(const std::vector<std::string>& arguments, const ProcessOptions& options) {
    std::vector<std::string> command{options.game};
    command.insert(command.end(), arguments.begin(), arguments.end());
    process = std::make_unique<ChildProcess>(command, options);
}

GameUnderTest::~GameUnderTest() {
    releaseHeldKeys();
}

void GameUnderTest::releaseHeldKeys() {
    for (const std::string& key : heldKeys)
        releaseKey(key);
    heldKeys.clear();
}

bool GameUnderTest::waitForWindow(const std::string& title, Duration timeout) {
    window.clear();
    waitUntil(
        [&] {
            window = findWindow(process->pid(), title);
            return !window.empty() || !process->running();
        },
        timeout);
    return !window.empty();
}

void GameUnderTest::keyDown(const std::string& key) {
    EXPECT_TRUE(sendKey(window, "keydown", key)) << "could not press " << key;
    heldKeys.insert(key);
}

void GameUnderTest::keyUp(const std::string& key) {
    heldKeys.erase(key);
    // A key that ended the game has no window left to focus; the server's key must come up all the same.
    if (process->running() && sendKey(window, "keyup", key))
        return;
    EXPECT_TRUE(releaseKey(key)) << "could not release " << key;
}

void GameUnderTest::tap(const std::string& key) {
    EXPECT_TRUE(sendKey(window, "key", key)) << "could not press " << key;
}

Image GameUnderTest::screenshot(const std::string& name) {
    std::string folder = std::string(WINDLAP_RUN_DIR) + "/../test-shots";
    if (const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info())
        folder += std::string("/") + test->test_suite_name() + "." + test->name();
    std::filesystem::create_directories(folder);
    return captureWindow(window, folder + "/" + name + ".png");
}

ProcessResult GameUnderTest::waitForExit(Duration timeout) {
    ProcessResult result = process->wait(timeout);
    releaseHeldKeys();
    return result;
}

ProcessResult GameUnderTest::quitWithEscape(Duration timeout) {
    keyDown("Escape");
    return waitForExit(timeout);
}

std::string GameUnderTest::diagnostics() {
    std::ostringstream text;
    text << "game pid " << process->pid();
    if (process->running())
        text << " still running\n--- stdout ---\n"
             << process->outputSoFar() << "--- stderr ---\n"
             << process->errorSoFar() << "---";
    else
        text << " ended: " << process->wait(std::chrono::milliseconds(0));
    return text.str();
}
