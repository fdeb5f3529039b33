#pragma once
#include "support/ChildProcess.h"

#include <memory>
#include <string>

// An Xvfb of the test's own, so the test can run beside others (ctest -j) without sharing their keyboard or
// windows. While it lives, DISPLAY names it, for this process and every child it starts (games, xdotool,
// ImageMagick); the destructor stops it and gives DISPLAY back its old value.
class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or "" when no server could be started (the reason is in error()).
    const std::string& display() const { return name; }
    const std::string& error() const { return failure; }

private:
    std::unique_ptr<ChildProcess> server;
    std::string name;
    std::string failure;
    bool hadDisplay = false;
    std::string previousDisplay;
};
