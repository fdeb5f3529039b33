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
    // Arguments, the message's index, and when there is none the settings and whether a window can have them.
    const std::tuple<std::vector<const char*>, int, StartupSettings, bool> rows[] = {
        {{}, 0, {1280, 720, false, 60}, true},
        {{"800"}, 0, {1280, 720, false, 60}, true},
        {{"800", "600", "1", "75", "extra"}, 0, {800, 600, true, 75}, true},
        {{"1280px", " 600", "0", "59.94"}, 0, {1280, 600, false, 59}, true},
        {{"0", "600"}, 0, {0, 600, false, 60}, false},
        {{"-5", "100"}, 0, {-5, 100, false, 60}, false},
        {{"99999", "99999"}, 0, {99999, 99999, false, 60}, false},
        {{"16384", "1"}, 0, {16384, 1, false, 60}, true},
        {{"16385", "600"}, 0, {16385, 600, false, 60}, false},
        {{"abc", "xyz", "true", "fast"}, 1, {}, true},
        {{"", "600"}, 1, {}, true},
        {{"px1280", "600"}, 1, {}, true},
        {{"99999999999", "600"}, 1, {}, true},
        {{"800", "x"}, 2, {}, true},
        {{"800", "600", "true"}, 3, {}, true},
        {{"800", "600", "2"}, 3, {}, true},
        {{"800", "600", ""}, 3, {}, true},
        {{"800", "600", "0", "sixty"}, 4, {}, true},
    };
    for (const auto& [args, message, e, windowPossible] : rows) {
        std::vector<const char*> argv{"./windlap"};
        argv.insert(argv.end(), args.begin(), args.end());
        StartupSettings s;
        std::ostringstream console;
        const std::string error = parseArguments(int(argv.size()), argv.data(), s, console);
        // With fewer than two arguments the console stays quiet.
        const std::string shown =
            argv.size() > 2 ? startupLine(std::string(argv[1]) + " and " + argv[2], "./windlap") : "";
        SCOPED_TRACE(shown + " / " + std::to_string(args.size()) + " arguments");
        EXPECT_EQ(std::make_tuple(error, console.str()), std::make_tuple(messages[message], shown));
        if (message == 0) {
            EXPECT_EQ(std::tuple(s.xResolution, s.yResolution, s.fullscreen, s.refreshRate,
                                 windowSizePossible(s.xResolution, s.yResolution)),
                      std::tuple(e.xResolution, e.yResolution, e.fullscreen, e.refreshRate, windowPossible));
        }
    }
}

// Standard input is a pipe that never delivers a byte: a failure that waited for a key would hang.
TEST(StartupBinary, FailuresEndAtOnceWithTheirMessage) {
    const std::vector<std::string> withoutX{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    // Arguments, environment, standard output and error.
    const std::tuple<std::vector<std::string>, std::vector<std::string>, std::string, std::string> rows[] = {
        {{"abc", "600"}, withoutX, startupLine("abc and 600"), messages[1] + "\n"},
        {{}, withoutX, "", "ERROR: Could not init glfw\n"},
        {{"0", "600", "0", "60", "extra"}, {}, startupLine("0 and 600"), "ERROR: Could not open window\n"},
        {{"-5", "100"}, {}, startupLine("-5 and 100"), "ERROR: Could not open window\n"},
        // Mesa, the only driver under Xvfb, then offers at most OpenGL 3.3.
        {{}, {"MESA_GL_VERSION_OVERRIDE=3.3"}, "", "ERROR: Could not open window\n"},
    };
    for (const auto& [args, env, out, err] : rows) {
        const ProcessResult result = GameUnderTest(args, WINDLAP_RUN_DIR, env).waitForExit(60s);
        EXPECT_EQ(std::tie(result.exitStatus, result.out, result.err), std::make_tuple(1, out, err))
            << result;
    }
}

} // namespace
