#pragma once
#include "scene/Glow.h"
#include "support/GlContext.h"

#include <array>
#include <vector>

// The glow's own scene frame buffer as a test's target: picture (target 0), glow source (target 1) and depth.
// Pixels are read back target by target, x and y from the lower left.
class SceneTarget {
    Shader blur{SCREEN_SPACE, "./Shader/ver.vert", "./Shader/ver.frag"}; // the glow's quad asks for one
    const tavo::scene::Glow glow;

public:
    SceneTarget(int width, int height) : glow(glm::mat4(1.0f), width, height, &blur, &blur, &blur) {}

    // A full viewport; both targets cleared to the colour, depth to 1.
    void bindAndClear(float r = 0.0f, float g = 0.0f, float b = 0.0f, float a = 0.0f) const {
        glBindFramebuffer(GL_FRAMEBUFFER, glow.sceneFramebuffer);
        glViewport(0, 0, glow.width, glow.height);
        glClearColor(r, g, b, a);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    std::array<int, 4> pixel(int target, int x, int y) const {
        const auto p = pixels(target, x, y, 1, 1);
        return {p[0], p[1], p[2], p[3]};
    }
    // The read frame buffer binding is put back: tests read between the passes of a frame.
    std::vector<unsigned char> pixels(int target, int x = 0, int y = 0, int w = -1, int h = -1) const {
        const GLint previous = states({GL_READ_FRAMEBUFFER_BINDING})[0];
        glBindFramebuffer(GL_READ_FRAMEBUFFER, glow.sceneFramebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(target));
        auto rgba = readRgba(x, y, w < 0 ? glow.width : w, h < 0 ? glow.height : h);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
        return rgba;
    }
};
