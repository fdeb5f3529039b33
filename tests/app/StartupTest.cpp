#include "app/Startup.h"

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono_literals;

namespace {

const std::string messages[] = {"", "Error: Could not parse first element: x reolution, try again!",
                                "Error: Could not parse second element: y resolution, try again!",
                                "Error: Could not parse third element: fullscreen, try again!",
                                "Error: Could not parse fourth element: refresh rate, try again!"};

TEST(ParseArguments, ReadsUpToFourAndReportsTheFirstBadOne) {
    struct Row {
        std::vector<const char*> args;
        int message; // index into messages
        bool console;
        StartupSettings expected;
    };
    const Row rows[] = {
        {{}, 0, false, {1280, 720, false, 60}},
        {{"800"}, 0, false, {1280, 720, false, 60}},
        {{"800", "600", "1", "75", "extra"}, 0, true, {800, 600, true, 75}},
        {{"1280px", " 600", "0", "59.94"}, 0, true, {1280, 600, false, 59}},
        {{"0", "-600"}, 0, true, {0, -600, false, 60}},
        {{"abc", "xyz", "true", "fast"}, 1, true, {}},
        {{"", "600"}, 1, true, {}},
        {{"px1280", "600"}, 1, true, {}},
        {{"99999999999", "600"}, 1, true, {}},
        {{"800", "x"}, 2, true, {}},
        {{"800", "600", "true"}, 3, true, {}},
        {{"800", "600", "2"}, 3, true, {}},
        {{"800", "600", ""}, 3, true, {}},
        {{"800", "600", "0", "sixty"}, 4, true, {}},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv{"./windlap"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        StartupSettings settings;
        std::ostringstream console;
        const std::string error =
            parseArguments(static_cast<int>(argv.size()), argv.data(), settings, console);
        const std::string shown = argv.size() > 2
                                      ? std::string("You are running './windlap' with the arguments:") +
                                            argv[1] + " and " + argv[2] + "\n"
                                      : "";
        SCOPED_TRACE(shown + " / " + std::to_string(row.args.size()) + " arguments");
        EXPECT_EQ(error, messages[row.message]);
        EXPECT_EQ(console.str(), row.console ? shown : "");
        if (row.message == 0) {
            EXPECT_EQ(settings.xResolution, row.expected.xResolution);
            EXPECT_EQ(settings.yResolution, row.expected.yResolution);
            EXPECT_EQ(settings.fullscreen, row.expected.fullscreen);
            EXPECT_EQ(settings.refreshRate, row.expected.refreshRate);
        }
    }
}

// The binary as a console user starts it: standard input is a pipe that never delivers a byte, so a failure
// that waited for a key would hang.
TEST(StartupBinary, FailuresEndAtOnceWithTheirMessage) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run the suite through scripts/test";
    const auto line = [](const std::string& args) {
        return std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:" + args + "\n";
    };
    struct Row {
        std::vector<std::string> args;
        bool withoutX;
        const char* glVersion;
        std::string out, err;
    };
    const Row rows[] = {
        {{"abc", "600"}, true, nullptr, line("abc and 600"), messages[1] + "\n"},
        {{}, true, nullptr, "", "ERROR: Could not init glfw\n"},
        {{"0", "600", "0", "60", "extra"},
         false,
         nullptr,
         line("0 and 600"),
         "ERROR: Could not open window\n"},
        // Mesa, the only driver under Xvfb, then offers at most OpenGL 3.3.
        {{}, false, "3.3", "", "ERROR: Could not open window\n"},
    };
    for (const Row& row : rows) {
        ProcessOptions options;
        options.silentStdinPipe = true;
        if (row.withoutX)
            options.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
        if (row.glVersion)
            options.set = {{"MESA_GL_VERSION_OVERRIDE", row.glVersion}};
        const ProcessResult result = runGame(row.args, 60s, options);
        EXPECT_FALSE(result.timedOut) << result;
        EXPECT_EQ(result.exitStatus, 1) << result;
        EXPECT_EQ(result.err, row.err) << result;
        EXPECT_EQ(result.out, row.out) << result;
    }
}

} // namespace
