#include "scene/Camera.h"
#include "support/GameUnderTest.h"
#include "support/GlContext.h"

#include <gtest/gtest.h>

// Title and size from the command line, a size the window manager must keep, Escape: status 0, quietly. Full
// screen at a size not offered takes Xvfb's one mode; picture and HUD fill it, before and after a boost.
TEST(Window, TitleSizeFixedSizeFullscreenAtAnySizeAndEscape) {
    // Arguments; the window's size, the screen's for full screen.
    const std::tuple<std::vector<std::string>, int, int> rows[] = {{{"800", "600"}, 800, 600},
                                                                   {{"640", "480", "1", "75"}, 800, 600},
                                                                   {{"1024", "768", "1"}, 1280, 1024}};
    for (const auto& [args, w, h] : rows) {
        const std::string out = startupLine(args[0] + " and " + args[1]);
        SCOPED_TRACE(out);
        const XServer screen(w, h);
        GameUnderTest game(args);
        // The title is set once the scene is built, before the first frame.
        ASSERT_TRUE(game.waitForWindow() && game.waitForFrames()) << game.diagnostics();
        EXPECT_EQ(xTool({"xdotool", "getwindowname", game.windowId()}), "Windlap\n");
        const std::string size = std::to_string(w) + "\nHEIGHT=" + std::to_string(h) + "\n";
        EXPECT_NE(xTool({"xdotool", "getwindowgeometry", "--shell", game.windowId()}).find("WIDTH=" + size),
                  std::string::npos);
        if (args.size() < 3) { // windowed
            const std::string hints = xTool({"xprop", "-id", game.windowId(), "WM_NORMAL_HINTS"});
            const std::string wh = std::to_string(w) + " by " + std::to_string(h);
            EXPECT_NE(hints.find("minimum size: " + wh), std::string::npos) << hints;
            EXPECT_NE(hints.find("maximum size: " + wh), std::string::npos) << hints;
        } else {
            // Sky and hills up to the screen's edges, outside the size asked for too; the points in the top
            // right corner and the play time in the bottom right, their baselines 100 pixels from the edge.
            const int askedW = std::stoi(args[0]), askedH = std::stoi(args[1]);
            const auto black = [](Rgb c) { return c.r + c.g + c.b == 0; };
            const auto check = [&, w = w, h = h](const char* name) { // bindings are captured by copy
                const Image shot = game.screenshot(name);
                EXPECT_LT(countWhere(shot, {0, 0, w, h - askedH}, black) +
                              countWhere(shot, {askedW, 0, w, h}, black),
                          w * 10)
                    << name << ": black beyond the size asked for";
                EXPECT_GT(countWhere(shot, {w - 260, 60, w, 105}, isWhite), 40) << name << ": no points";
                EXPECT_GT(countWhere(shot, {w - 260, h - 140, w, h - 95}, isWhite), 40)
                    << name << ": no time";
            };
            check("start");
            game.keyDown("Shift_L");
            std::this_thread::sleep_for(1500ms);
            check("boost");
            game.keyUp("Shift_L");
        }
        const ProcessResult end = game.quitWithEscape();
        EXPECT_EQ(std::tie(end.exitStatus, end.err, end.out), std::make_tuple(0, "", out)) << end;
    }
}

// The window captures the cursor: X pointer motion steers the orbit at 100 units a radian, past the screen's
// width, the elevation stopping at 85 degrees either way and turning back at once.
TEST(Window, PointerMotionSteersTheOrbitCamera) {
    GLFWwindow* window = openGameWindow(320, 180);
    tavo::scene::Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    camera.mode = 2;
    glm::dvec2 cursor(0.0);
    // Moves the pointer and returns the eye's azimuth and elevation once the window has seen the move.
    const auto move = [&](int dx, int dy) {
        const glm::dvec2 before = cursor;
        const auto seen = [&] {
            glfwPollEvents(), glfwGetCursorPos(window, &cursor.x, &cursor.y);
            return cursor != before;
        };
        if (dx || dy) {
            xTool({"xdotool", "mousemove_relative", "--", std::to_string(dx), std::to_string(dy)});
            EXPECT_TRUE(waitUntil(seen, 2s)) << dx << ", " << dy;
        }
        camera.update(0.0f, window);
        camera.computeView(glm::mat4(1.0f), 0.0f);
        const glm::vec3 p = camera.position / 15.0f;
        return glm::vec2(std::atan2(p.x, p.z), std::asin(p.y));
    };
    waitUntil([&] { return glfwPollEvents(), false; }, 300ms); // the pointer entering the window first
    move(0, 80);
    ASSERT_FALSE(HasFailure()) << "the window sees no pointer motion";
    const float stop = glm::radians(85.0f);
    for (int i = 0; i < 3; ++i)
        move(0, 80); // down past the stop from anywhere
    EXPECT_NEAR(move(0, 0).y, stop, 1e-5f);
    EXPECT_NEAR(move(0, -50).y, stop - 0.5f, 1e-5f);
    for (int i = 0; i < 4; ++i)
        move(0, -80);
    EXPECT_NEAR(move(0, 30).y, 0.3f - stop, 1e-5f);
    const glm::vec2 start = move(0, 0);
    for (int i = 1; i <= 20; ++i) {
        const glm::vec2 eye = move(80, 0);
        EXPECT_NEAR(std::remainder(eye.x - start.x - 0.8f * i, 6.2831855f), 0.0f, 1e-4f) << i;
        EXPECT_NEAR(eye.y, start.y, 1e-5f) << i;
    }
    glfwTerminate(); // and with it the window
}
