#include "app/Startup.h"

#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace {

const std::string messages[] = {"", "Error: Could not parse first element: x reolution, try again!",
                                "Error: Could not parse second element: y resolution, try again!",
                                "Error: Could not parse third element: fullscreen, try again!",
                                "Error: Could not parse fourth element: refresh rate, try again!"};

TEST(ParseArguments, ReadsUpToFourAndReportsTheFirstBadOneOrASizeNoWindowCanHave) {
    struct Row {
        std::vector<const char*> args;
        int message; // index into messages
        StartupSettings expected;
        bool windowPossible = true;
    };
    const Row rows[] = {
        {{}, 0, {1280, 720, false, 60}},
        {{"800"}, 0, {1280, 720, false, 60}},
        {{"800", "600", "1", "75", "extra"}, 0, {800, 600, true, 75}},
        {{"1280px", " 600", "0", "59.94"}, 0, {1280, 600, false, 59}},
        {{"0", "600"}, 0, {0, 600, false, 60}, false},
        {{"-5", "100"}, 0, {-5, 100, false, 60}, false},
        {{"99999", "99999"}, 0, {99999, 99999, false, 60}, false},
        {{"16384", "1"}, 0, {16384, 1, false, 60}},
        {{"16385", "600"}, 0, {16385, 600, false, 60}, false},
        {{"abc", "xyz", "true", "fast"}, 1, {}},
        {{"", "600"}, 1, {}},
        {{"px1280", "600"}, 1, {}},
        {{"99999999999", "600"}, 1, {}},
        {{"800", "x"}, 2, {}},
        {{"800", "600", "true"}, 3, {}},
        {{"800", "600", "2"}, 3, {}},
        {{"800", "600", ""}, 3, {}},
        {{"800", "600", "0", "sixty"}, 4, {}},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv{"./windlap"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        StartupSettings settings;
        std::ostringstream console;
        const std::string error =
            parseArguments(static_cast<int>(argv.size()), argv.data(), settings, console);
        // With fewer than two arguments the console stays quiet.
        const std::string shown =
            argv.size() > 2 ? startupLine(std::string(argv[1]) + " and " + argv[2], "./windlap") : "";
        SCOPED_TRACE(shown + " / " + std::to_string(row.args.size()) + " arguments");
        EXPECT_EQ(error, messages[row.message]);
        EXPECT_EQ(console.str(), shown);
        if (row.message == 0) {
            const StartupSettings& e = row.expected;
            EXPECT_EQ(std::tie(settings.xResolution, settings.yResolution, settings.fullscreen,
                               settings.refreshRate),
                      std::tie(e.xResolution, e.yResolution, e.fullscreen, e.refreshRate));
            EXPECT_EQ(windowSizePossible(settings.xResolution, settings.yResolution), row.windowPossible);
        }
    }
}

// Standard input is a pipe that never delivers a byte: a failure that waited for a key would hang.
TEST(StartupBinary, FailuresEndAtOnceWithTheirMessage) {
    const std::vector<std::string> withoutX{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    struct Row {
        std::vector<std::string> args, env;
        std::string out, err;
    };
    const Row rows[] = {
        {{"abc", "600"}, withoutX, startupLine("abc and 600"), messages[1] + "\n"},
        {{}, withoutX, "", "ERROR: Could not init glfw\n"},
        {{"0", "600", "0", "60", "extra"}, {}, startupLine("0 and 600"), "ERROR: Could not open window\n"},
        {{"-5", "100"}, {}, startupLine("-5 and 100"), "ERROR: Could not open window\n"},
        // Mesa, the only driver under Xvfb, then offers at most OpenGL 3.3.
        {{}, {"MESA_GL_VERSION_OVERRIDE=3.3"}, "", "ERROR: Could not open window\n"},
    };
    for (const Row& row : rows) {
        const ProcessResult result = GameUnderTest(row.args, WINDLAP_RUN_DIR, row.env).waitForExit(60s);
        EXPECT_EQ(std::tie(result.exitStatus, result.out, result.err), std::make_tuple(1, row.out, row.err))
            << result;
    }
}

} // namespace
