#pragma once
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <vector>

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

    // RGBA pixels of the bound read frame buffer, bottom row first.
    static std::vector<unsigned char> readPixels(int x, int y, int w, int h);
};
