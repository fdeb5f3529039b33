#include "support/GlContext.h"

#include <unistd.h>

GLFWwindow* GlTest::window = nullptr;

void GlTest::SetUpTestSuite() {
    ASSERT_EQ(chdir(WINDLAP_RUN_DIR), 0) << "run folder missing: " << WINDLAP_RUN_DIR;
    ASSERT_TRUE(glfwInit()) << "no X display: run the suite under Xvfb (scripts/test)";
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window = glfwCreateWindow(width, height, "gl test", nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    ASSERT_EQ(glewInit(), GLEW_OK);
    while (glGetError() != GL_NO_ERROR) {
    }
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

std::vector<unsigned char> GlTest::readPixels(int x, int y, int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
