#include "support/XTools.h"

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const auto toolTimeout = std::chrono::seconds(30);

ProcessResult runTool(const std::vector<std::string>& command) {
    ProcessResult result = runProcess(command, toolTimeout);
    if (result.timedOut)
        ADD_FAILURE() << command[0] << " " << command[1] << " hung: " << result;
    return result;
}

// xdotool search takes a regular expression; titles are matched literally.
std::string exactPattern(const std::string& text) {
    std::string pattern = "^";
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
            pattern += '\\';
        pattern += c;
    }
    return pattern + "$";
}

WindowSize parseShellGeometry(const std::string& text) {
    WindowSize size;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("WIDTH=", 0) == 0)
            size.width = std::stoi(line.substr(6));
        if (line.rfind("HEIGHT=", 0) == 0)
            size.height = std::stoi(line.substr(7));
    }
    return size;
}

} // namespace

std::string findWindow(pid_t pid, const std::string& title) {
    ProcessResult result =
        runTool({"xdotool", "search", "--all", "--pid", std::to_string(pid), "--name", exactPattern(title)});
    std::istringstream ids(result.out);
    std::string id;
    ids >> id;
    return id;
}

std::string windowTitle(const std::string& windowId) {
    ProcessResult result = runTool({"xdotool", "getwindowname", windowId});
    std::string title = result.out;
    if (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

WindowSize windowSize(const std::string& windowId) {
    return parseShellGeometry(runTool({"xdotool", "getwindowgeometry", "--shell", windowId}).out);
}

WindowSize fixedSize(const std::string& windowId) {
    const std::string hints = runTool({"xprop", "-id", windowId, "WM_NORMAL_HINTS"}).out;
    auto sizeAfter = [&hints](const std::string& label) {
        WindowSize size;
        const size_t at = hints.find(label);
        if (at != std::string::npos) {
            std::istringstream text(hints.substr(at + label.size()));
            std::string by;
            text >> size.width >> by >> size.height;
        }
        return size;
    };
    const WindowSize minimum = sizeAfter("minimum size:");
    const WindowSize maximum = sizeAfter("maximum size:");
    if (minimum.width == maximum.width && minimum.height == maximum.height)
        return minimum;
    return {};
}

WindowSize screenSize() {
    std::istringstream text(runTool({"xdotool", "getdisplaygeometry"}).out);
    WindowSize size;
    text >> size.width >> size.height;
    return size;
}

bool sendKey(const std::string& windowId, const std::string& action, const std::string& key) {
    // Not "--window": with it xdotool uses XTEST only while the window has the focus and otherwise sends a
    // synthetic event that changes no key state, so one call could act in two ways.
    // "key" taps: down and up a millisecond apart.
    if (action == "key")
        return runTool({"xdotool", "windowfocus", "--sync", windowId, "key", "--delay", "1", key})
                   .exitStatus == 0;
    return runTool({"xdotool", "windowfocus", "--sync", windowId, action, key}).exitStatus == 0;
}

bool releaseKey(const std::string& key) {
    return runTool({"xdotool", "keyup", key}).exitStatus == 0;
}

Image captureWindow(const std::string& windowId, const std::string& path) {
    ProcessResult result = runTool({"import", "-window", windowId, "png:" + path});
    if (result.exitStatus != 0) {
        ADD_FAILURE() << "import could not capture window " << windowId << ": " << result;
        return {};
    }
    return Image::load(path);
}
