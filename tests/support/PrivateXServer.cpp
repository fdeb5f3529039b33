#include "support/PrivateXServer.h"

#include "support/GameUnderTest.h"

#include <chrono>
#include <csignal>
#include <cstdlib>

PrivateXServer::PrivateXServer() {
    if (const char* current = std::getenv("DISPLAY")) {
        hadDisplay = true;
        previousDisplay = current;
    }
    // Display numbers above those scripts/lib/xserver.sh hands out first. A number another server holds makes
    // Xvfb end at once; -displayfd writes the number back only once the server accepts clients.
    for (int number = 140; number < 240 && name.empty(); ++number) {
        const std::string display = ":" + std::to_string(number);
        server = std::make_unique<ChildProcess>(std::vector<std::string>{"Xvfb", display, "-displayfd", "1",
                                                                         "-screen", "0", "1280x1024x24",
                                                                         "-nolisten", "tcp", "-noreset"});
        waitUntil([&] { return server->outputSoFar().find('\n') != std::string::npos || !server->running(); },
                  std::chrono::seconds(10));
        if (server->running() && server->outputSoFar() == std::to_string(number) + "\n")
            name = display;
        else
            failure = server->wait(std::chrono::seconds(2)).err;
    }
    if (name.empty()) {
        server.reset();
        return;
    }
    failure.clear();
    setenv("DISPLAY", name.c_str(), 1);
}

PrivateXServer::~PrivateXServer() {
    // Asked to end, Xvfb removes its lock file and socket; killed, it would leave them behind.
    if (server) {
        ::kill(server->pid(), SIGTERM);
        server->wait(std::chrono::seconds(5));
    }
    if (hadDisplay)
        setenv("DISPLAY", previousDisplay.c_str(), 1);
    else
        unsetenv("DISPLAY");
}
