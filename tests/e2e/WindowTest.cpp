#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

// Window title and size come from the command line; Escape ends the game quietly with status 0.
TEST(Window, TitleSizeFixedSizeFullscreenAndEscape) {
    const std::string line = std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:";
    struct Row {
        std::vector<std::string> args;
        int width, height; // 0: the screen's
        std::string out;
    };
    // Xvfb offers one video mode, its screen size, and GLFW takes the closest mode to the one asked for.
    const Row rows[] = {{{}, 1280, 720, ""},
                        {{"800", "600"}, 800, 600, line + "800 and 600\n"},
                        {{"800", "600", "1", "75"}, 0, 0, line + "800 and 600\n"}};
    const WindowSize screen = screenSize();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.out);
        GameUnderTest game(row.args);
        ASSERT_TRUE(game.waitForWindow("Windlap")) << game.diagnostics();
        EXPECT_EQ(windowTitle(game.windowId()), "Windlap");
        const WindowSize size = windowSize(game.windowId());
        EXPECT_EQ(size.width, row.width ? row.width : screen.width);
        EXPECT_EQ(size.height, row.height ? row.height : screen.height);
        if (row.width) {
            // Not resizable: the picture is made for this size.
            const WindowSize fixed = fixedSize(game.windowId());
            EXPECT_EQ(fixed.width, row.width);
            EXPECT_EQ(fixed.height, row.height);
        }
        const ProcessResult end = game.quitWithEscape();
        EXPECT_FALSE(end.timedOut) << "Escape did not end the game: " << end;
        EXPECT_EQ(end.exitStatus, 0) << end;
        EXPECT_EQ(end.err, "") << end;
        EXPECT_EQ(end.out, row.out) << end;
    }
}
