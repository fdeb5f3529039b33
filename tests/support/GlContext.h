#pragma once
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

// A hidden window with a current OpenGL 4.3 core context (GLEW loaded, error flag clear), after changing to
// the game's run folder so paths such as "./Shader/basic.vert" resolve as in the game; nullptr on failure.
inline GLFWwindow* openHiddenGlWindow(int width, int height) {
    if (chdir(WINDLAP_RUN_DIR) != 0 || !glfwInit())
        return nullptr;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "gl test", nullptr, nullptr);
    glewExperimental = GL_TRUE;
    if (window && (glfwMakeContextCurrent(window), glewInit() != GLEW_OK))
        glfwDestroyWindow(window), window = nullptr;
    while (window && glGetError() != GL_NO_ERROR) {
    }
    return window;
}

// RGBA pixels of the bound read frame buffer, bottom row first.
inline std::vector<unsigned char> readRgba(int x, int y, int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// One such context (320 x 180) for a whole test suite.
class GlTest : public testing::Test {
protected:
    // A failure here would only skip the tests, which ctest counts as passed: each test fails instead.
    static void SetUpTestSuite() { window = openHiddenGlWindow(width, height); }
    static void TearDownTestSuite() {
        glfwDestroyWindow(window);
        window = nullptr;
        glfwTerminate();
    }
    void SetUp() override {
        ASSERT_NE(window, nullptr) << "no hidden GL 4.3 window: run the suite under Xvfb (scripts/test)";
        glfwMakeContextCurrent(window);
    }
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
    }
    static std::vector<unsigned char> readPixels(int x, int y, int w, int h) { return readRgba(x, y, w, h); }

    static inline GLFWwindow* window = nullptr;
    static constexpr int width = 320, height = 180;
};
