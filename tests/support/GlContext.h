#pragma once
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <vector>

// Opens a hidden window with a current OpenGL 4.3 core context of the given size, GLEW loaded and the error
// flag clear, after changing to the game's run folder; nullptr when any step fails.
GLFWwindow* openHiddenGlWindow(int width, int height);

// RGBA pixels of the bound read frame buffer, bottom row first.
std::vector<unsigned char> readRgba(int x, int y, int w, int h);

// A real OpenGL 4.3 core context in a hidden window (under Xvfb with Mesa's llvmpipe). The working directory
// is the game's run folder, so data paths such as "./Shader/basic.vert" resolve as in the game.
class GlTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static GLFWwindow* window;
    static constexpr int width = 320;
    static constexpr int height = 180;

    static std::vector<unsigned char> readPixels(int x, int y, int w, int h) { return readRgba(x, y, w, h); }
};
