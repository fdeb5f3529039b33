#pragma once
#include "app/Startup.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

// The debug context's errors, undefined behaviour and high-severity messages fail the test that caused them;
// synchronous output names the call's test even when the driver works on another thread.
inline void GLAPIENTRY failOnGlMessage(GLenum, GLenum type, GLuint id, GLenum severity, GLsizei,
                                       const GLchar* message, const void*) {
    if (type == GL_DEBUG_TYPE_ERROR || type == GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR ||
        severity == GL_DEBUG_SEVERITY_HIGH)
        ADD_FAILURE() << "GL message " << id << ": " << message;
}

// The game's own window of this size, context current, blending on and GL messages listened to, in the run
// folder so that "./Shader/basic.vert" resolves as in the game. A failure ends the process.
inline GLFWwindow* openGameWindow(int width, int height) {
    EXPECT_EQ(chdir(WINDLAP_RUN_DIR), 0);
    GLFWwindow* window = openWindow({width, height});
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(failOnGlMessage, nullptr);
    return window;
}

// RGBA pixels of the bound read frame buffer, bottom row first.
inline std::vector<unsigned char> readRgba(int x, int y, int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Single-valued GL states, the ones a pass must leave as the next one expects.
inline std::vector<GLint> states(std::initializer_list<GLenum> names) {
    std::vector<GLint> values;
    for (const GLenum name : names)
        glGetIntegerv(name, &values.emplace_back(0));
    return values;
}

// One such window (320 x 180) for a whole test suite.
class GlTest : public testing::Test {
protected:
    static void SetUpTestSuite() { window = openGameWindow(width, height); }
    static void TearDownTestSuite() { glfwTerminate(); } // which destroys the window
    void SetUp() override { glfwMakeContextCurrent(window); }
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
    }

    static inline GLFWwindow* window = nullptr;
    static constexpr int width = 320, height = 180;
};
