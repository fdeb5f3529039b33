// The harness's own eyes: a window of this process with a known picture, captured through the X server.
#include "support/GameUnderTest.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::string title = "capture test " + std::to_string(getpid());

class ScreenCapture : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run the suite through scripts/test";
        ASSERT_TRUE(glfwInit());
        window = glfwCreateWindow(200, 100, title.c_str(), nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwMakeContextCurrent(window);
    }

    // GLFW stays initialised until the process ends: glfwTerminate unloads Mesa's GLX library, and
    // LeakSanitizer then reports that library's last allocations as leaks from an unknown module.
    static void TearDownTestSuite() {
        if (window)
            glfwDestroyWindow(window);
        window = nullptr;
    }

    void SetUp() override { ASSERT_NE(window, nullptr); }

    // Top half red, bottom half blue, drawn until the window can be found.
    static std::string showRedOverBlue() {
        std::string id;
        waitUntil(
            [&] {
                glDisable(GL_SCISSOR_TEST);
                glClearColor(0, 0, 1, 1);
                glClear(GL_COLOR_BUFFER_BIT);
                glEnable(GL_SCISSOR_TEST);
                glScissor(0, 50, 200, 50);
                glClearColor(1, 0, 0, 1);
                glClear(GL_COLOR_BUFFER_BIT);
                glfwSwapBuffers(window);
                glfwPollEvents();
                id = findWindow(getpid(), title);
                return !id.empty();
            },
            std::chrono::seconds(30));
        return id;
    }

    static GLFWwindow* window;
};

GLFWwindow* ScreenCapture::window = nullptr;

} // namespace

TEST_F(ScreenCapture, ReadsTheWindowTopRowFirst) {
    std::string id = showRedOverBlue();
    ASSERT_FALSE(id.empty());
    // A window can be mapped before its first picture arrives; the colours are exact once it has.
    Image shot;
    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    bool shown = waitUntil(
        [&] {
            showRedOverBlue();
            shot = captureWindow(id, GameUnderTest::screenshotFolder() + "/redOverBlue.png");
            return shot.width == 200 && shot.at(100, 10) == red;
        },
        std::chrono::seconds(30));
    ASSERT_TRUE(shown) << "size " << shot.width << " x " << shot.height;
    EXPECT_EQ(shot.height, 100);
    EXPECT_EQ(shot.at(0, 0), red);
    EXPECT_EQ(shot.at(199, 49), red);
    EXPECT_EQ(shot.at(0, 50), blue);
    EXPECT_EQ(shot.at(199, 99), blue);
    EXPECT_EQ(shot.count(red), 200 * 50);
    EXPECT_EQ(shot.count(blue), 200 * 50);
}

TEST_F(ScreenCapture, FindsOnlyTheWindowWithTheExactTitle) {
    ASSERT_FALSE(showRedOverBlue().empty());
    EXPECT_EQ(findWindow(getpid(), title.substr(0, title.size() - 1)), "");
    EXPECT_EQ(findWindow(getpid(), "capture.test.*"), "");
    EXPECT_EQ(findWindow(getppid(), title), "");
}
