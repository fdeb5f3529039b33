#pragma once
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); std::this_thread::sleep_for(20ms))
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    return true;
}

// An Xvfb of its own with one screen (and so one video mode) of this size, named by DISPLAY while it lives.
// -displayfd: the server picks a free number and writes it once it accepts clients.
class XServer {
public:
    XServer(int width, int height) {
        const char* previous = std::getenv("DISPLAY");
        previousDisplay = previous ? previous : "";
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        server = std::make_unique<ChildProcess>(std::vector<std::string>{
            "Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
        const auto line = [&] { return server->now().out.find('\n') != std::string::npos; };
        EXPECT_TRUE(waitUntil(line, 10s)) << server->now();
        setenv("DISPLAY", (":" + server->now().out.substr(0, server->now().out.find('\n'))).c_str(), 1);
    }
    // Asked to end, Xvfb removes its lock file and socket; killed, it would leave them behind.
    ~XServer() {
        ::kill(server->pid(), SIGTERM);
        server->wait(5s);
        setenv("DISPLAY", previousDisplay.c_str(), 1);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

private:
    std::string previousDisplay;
    std::unique_ptr<ChildProcess> server;
};
