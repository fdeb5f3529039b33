#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

// Title and size from the command line, a size the window manager must keep, Escape: status 0, quietly.
TEST(Window, TitleSizeFixedSizeFullscreenAndEscape) {
    struct Row {
        std::vector<std::string> args;
        int width, height;
        bool fixed;
        std::string out;
    };
    // Xvfb offers one video mode, its screen size, and GLFW takes the closest mode to the one asked for.
    const Row rows[] = {
        {{"800", "600"}, 800, 600, true, startupLine("800 and 600")},
        {{"800", "600", "1", "75"}, screenWidth, screenHeight, false, startupLine("800 and 600")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.out);
        GameUnderTest game(row.args);
        // The title is set once the scene is built, before the first frame.
        ASSERT_TRUE(game.waitForWindow() && game.waitForFrames()) << game.diagnostics();
        EXPECT_EQ(xTool({"xdotool", "getwindowname", game.windowId()}), "Windlap\n");
        const std::string size = std::to_string(row.width) + "\nHEIGHT=" + std::to_string(row.height) + "\n";
        EXPECT_NE(xTool({"xdotool", "getwindowgeometry", "--shell", game.windowId()}).find("WIDTH=" + size),
                  std::string::npos);
        if (row.fixed) {
            const std::string hints = xTool({"xprop", "-id", game.windowId(), "WM_NORMAL_HINTS"});
            const std::string wh = std::to_string(row.width) + " by " + std::to_string(row.height);
            EXPECT_NE(hints.find("minimum size: " + wh), std::string::npos) << hints;
            EXPECT_NE(hints.find("maximum size: " + wh), std::string::npos) << hints;
        }
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
        EXPECT_EQ(end.out, row.out) << end;
    }
}
