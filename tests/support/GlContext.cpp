#include "support/GlContext.h"

#include <unistd.h>

GLFWwindow* GlTest::window = nullptr;

GLFWwindow* openHiddenGlWindow(int width, int height) {
    if (chdir(WINDLAP_RUN_DIR) != 0 || !glfwInit())
        return nullptr;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "gl test", nullptr, nullptr);
    if (!window)
        return nullptr;
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        glfwDestroyWindow(window);
        return nullptr;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    return window;
}

void GlTest::SetUpTestSuite() {
    window = openHiddenGlWindow(width, height);
    ASSERT_NE(window, nullptr)
        << "no hidden GL 4.3 window: run the suite under Xvfb (scripts/test), with the run "
           "folder "
        << WINDLAP_RUN_DIR;
}

void GlTest::TearDownTestSuite() {
    if (window)
        glfwDestroyWindow(window);
    window = nullptr;
    glfwTerminate();
}

void GlTest::SetUp() {
    ASSERT_NE(window, nullptr);
    glfwMakeContextCurrent(window);
}

void GlTest::TearDown() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
}

std::vector<unsigned char> readRgba(int x, int y, int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
