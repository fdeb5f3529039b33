#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class Window : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run the suite through scripts/test";
    }
};

} // namespace

TEST_F(Window, WithoutArgumentsIsTitledWindlapAt1280By720) {
    GameUnderTest game;
    ASSERT_TRUE(game.waitForWindow("Windlap")) << game.diagnostics();
    EXPECT_EQ(game.title(), "Windlap");
    WindowSize size = game.size();
    EXPECT_EQ(size.width, 1280);
    EXPECT_EQ(size.height, 720);
    Image shot = game.screenshot("window");
    EXPECT_EQ(shot.width, 1280);
    EXPECT_EQ(shot.height, 720);
    EXPECT_EQ(game.diagnostics().find("You are running"), std::string::npos) << game.diagnostics();
}

TEST_F(Window, EscapeEndsTheGameWithStatusZeroAndNoErrors) {
    GameUnderTest game;
    ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
    ProcessResult end = game.quitWithEscape();
    EXPECT_FALSE(end.timedOut) << "Escape did not end the game: " << end;
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.err, "") << end;
    EXPECT_EQ(end.out, "") << end;
}

TEST_F(Window, TakesItsSizeFromTheFirstTwoArguments) {
    GameUnderTest game({"800", "600"});
    ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
    WindowSize size = game.size();
    EXPECT_EQ(size.width, 800);
    EXPECT_EQ(size.height, 600);
    // Not resizable: the picture is made for this size.
    const WindowSize fixed = fixedSize(game.windowId());
    EXPECT_EQ(fixed.width, 800);
    EXPECT_EQ(fixed.height, 600);
    ProcessResult end = game.quitWithEscape();
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.out,
              std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:800 and 600\n");
}

TEST_F(Window, IgnoresASingleArgument) {
    GameUnderTest game({"800"});
    ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
    WindowSize size = game.size();
    EXPECT_EQ(size.width, 1280);
    EXPECT_EQ(size.height, 720);
    ProcessResult end = game.quitWithEscape();
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.out, "") << end;
}

TEST_F(Window, FullscreenCoversTheScreen) {
    // Xvfb offers one video mode, its screen size, and GLFW takes the closest mode to the one asked for.
    GameUnderTest game({"800", "600", "1", "75"});
    ASSERT_TRUE(game.waitForWindow()) << game.diagnostics();
    WindowSize size = game.size();
    WindowSize screen = screenSize();
    EXPECT_EQ(size.width, screen.width);
    EXPECT_EQ(size.height, screen.height);
    ProcessResult end = game.quitWithEscape();
    EXPECT_EQ(end.exitStatus, 0) << end;
}
