#include "app/Startup.h"

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace std::chrono_literals;

namespace {

// Every run below must end by itself well within this; a run killed at the time-out fails its test.
constexpr auto noHang = 60s;

const std::string firstMessage = "Error: Could not parse first element: x reolution, try again!\n";
const std::string secondMessage = "Error: Could not parse second element: y resolution, try again!\n";
const std::string thirdMessage = "Error: Could not parse third element: fullscreen, try again!\n";
const std::string fourthMessage = "Error: Could not parse fourth element: refresh rate, try again!\n";

std::string startupLine(const std::string& first, const std::string& second) {
    return std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:" + first + " and " +
           second + "\n";
}

struct Parsed {
    StartupSettings settings;
    std::string error;
    std::string console;
};

Parsed parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "./windlap");
    Parsed parsed;
    std::ostringstream console;
    parsed.error =
        parseArguments(static_cast<int>(arguments.size()), arguments.data(), parsed.settings, console);
    parsed.console = console.str();
    return parsed;
}

bool haveDisplay() {
    return std::getenv("DISPLAY") != nullptr;
}

} // namespace

TEST(ParseArguments, NoArgumentsKeepsTheDefaultsSilently) {
    Parsed parsed = parse({});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.console, "");
    EXPECT_EQ(parsed.settings.xResolution, 1280);
    EXPECT_EQ(parsed.settings.yResolution, 720);
    EXPECT_FALSE(parsed.settings.fullscreen);
    EXPECT_EQ(parsed.settings.refreshRate, 60);
}

TEST(ParseArguments, ASingleArgumentIsIgnored) {
    Parsed parsed = parse({"800"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.console, "");
    EXPECT_EQ(parsed.settings.xResolution, 1280);
    EXPECT_EQ(parsed.settings.yResolution, 720);
}

TEST(ParseArguments, ReadsAllFourAndShowsOnlyTheFirstTwo) {
    Parsed parsed = parse({"800", "600", "1", "75", "extra"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.console, "You are running './windlap' with the arguments:800 and 600\n");
    EXPECT_EQ(parsed.settings.xResolution, 800);
    EXPECT_EQ(parsed.settings.yResolution, 600);
    EXPECT_TRUE(parsed.settings.fullscreen);
    EXPECT_EQ(parsed.settings.refreshRate, 75);
}

TEST(ParseArguments, TakesTheNumberAtTheStartOfTheText) {
    Parsed parsed = parse({"1280px", " 600", "0", "59.94"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.settings.xResolution, 1280);
    EXPECT_EQ(parsed.settings.yResolution, 600);
    EXPECT_FALSE(parsed.settings.fullscreen);
    EXPECT_EQ(parsed.settings.refreshRate, 59);
}

TEST(ParseArguments, PassesZeroAndNegativeSizesOn) {
    Parsed parsed = parse({"0", "-600"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.settings.xResolution, 0);
    EXPECT_EQ(parsed.settings.yResolution, -600);
}

TEST(ParseArguments, RejectsTextWithoutALeadingNumber) {
    EXPECT_EQ(parse({"abc", "600"}).error + "\n", firstMessage);
    EXPECT_EQ(parse({"", "600"}).error + "\n", firstMessage);
    EXPECT_EQ(parse({"px1280", "600"}).error + "\n", firstMessage);
    EXPECT_EQ(parse({"800", "x"}).error + "\n", secondMessage);
    EXPECT_EQ(parse({"800", "600", "0", "sixty"}).error + "\n", fourthMessage);
}

TEST(ParseArguments, RejectsANumberTooLargeForAnInt) {
    EXPECT_EQ(parse({"99999999999", "600"}).error + "\n", firstMessage);
}

TEST(ParseArguments, FullscreenIsZeroOrOneOnly) {
    EXPECT_EQ(parse({"800", "600", "true"}).error + "\n", thirdMessage);
    EXPECT_EQ(parse({"800", "600", "2"}).error + "\n", thirdMessage);
    EXPECT_EQ(parse({"800", "600", ""}).error + "\n", thirdMessage);
}

TEST(ParseArguments, ReportsOnlyTheFirstBadArgument) {
    Parsed parsed = parse({"abc", "xyz", "true", "fast"});
    EXPECT_EQ(parsed.error + "\n", firstMessage);
    EXPECT_EQ(parsed.console, "You are running './windlap' with the arguments:abc and xyz\n");
}

// The binary itself, as a console user starts it: no terminal on standard input, so no key wait.

TEST(StartupBinary, NoKeyWaitWhenStandardInputIsAnOpenPipe) {
    ProcessOptions options;
    options.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
    options.silentStdinPipe = true;
    ProcessResult result = runGame({"abc", "600"}, noHang, options);
    EXPECT_FALSE(result.timedOut) << "the program waited for a key that no one can press: " << result;
    EXPECT_EQ(result.exitStatus, 1) << result;
    EXPECT_EQ(result.err, firstMessage) << result;
    EXPECT_EQ(result.out, startupLine("abc", "600")) << result;
}

TEST(StartupBinary, WithoutAnXServerGlfwCannotStart) {
    ProcessOptions options;
    options.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
    ProcessResult result = runGame({}, noHang, options);
    EXPECT_FALSE(result.timedOut) << result;
    EXPECT_EQ(result.exitStatus, 1) << result;
    EXPECT_EQ(result.err, "ERROR: Could not init glfw\n") << result;
    EXPECT_EQ(result.out, "") << result;
}

TEST(StartupBinary, ZeroWidthIsPassedOnAndTheWindowIsRefused) {
    ASSERT_TRUE(haveDisplay()) << "needs an X server: run the suite through scripts/test";
    // The fifth argument is ignored, so all four before it are read and only the window fails.
    ProcessResult result = runGame({"0", "600", "0", "60", "extra"}, noHang);
    EXPECT_FALSE(result.timedOut) << result;
    EXPECT_EQ(result.exitStatus, 1) << result;
    EXPECT_EQ(result.err, "ERROR: Could not open window\n") << result;
    EXPECT_EQ(result.out, startupLine("0", "600")) << result;
}

TEST(StartupBinary, WithoutAnOpenGL43ContextTheWindowIsRefused) {
    ASSERT_TRUE(haveDisplay()) << "needs an X server: run the suite through scripts/test";
    // Mesa (the only driver under Xvfb) then offers at most OpenGL 3.3.
    ProcessOptions options;
    options.set = {{"MESA_GL_VERSION_OVERRIDE", "3.3"}};
    ProcessResult result = runGame({}, noHang, options);
    EXPECT_FALSE(result.timedOut) << result;
    EXPECT_EQ(result.exitStatus, 1) << result;
    EXPECT_EQ(result.err, "ERROR: Could not open window\n") << result;
}
