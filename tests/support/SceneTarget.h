#pragma once
#include "support/GlContext.h"

#include <array>
#include <vector>

// A frame buffer shaped like the glow's scene frame buffer: picture (target 0) and glow source (target 1),
// both RGBA8, and depth. Pixels are read back target by target, x and y from the lower left.
class SceneTarget {
    // The read frame buffer binding is put back: tests read between the passes of a frame.
    template <class Read> auto reading(Read&& read) const {
        GLint previous = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        const auto result = read();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
        return result;
    }

public:
    SceneTarget(int width, int height) : width(width), height(height) {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenTextures(3, textures.data());
        for (GLuint i = 0; i < 3; ++i) {
            const bool depth = i == 2;
            glBindTexture(GL_TEXTURE_2D, textures[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, depth ? GL_DEPTH_COMPONENT24 : GL_RGBA8, width, height, 0,
                         depth ? GL_DEPTH_COMPONENT : GL_RGBA, depth ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
            glFramebufferTexture2D(GL_FRAMEBUFFER, depth ? GL_DEPTH_ATTACHMENT : GL_COLOR_ATTACHMENT0 + i,
                                   GL_TEXTURE_2D, textures[i], 0);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        const GLenum buffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
        glDrawBuffers(2, buffers);
        complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    ~SceneTarget() {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(3, textures.data());
    }
    SceneTarget(const SceneTarget&) = delete;
    SceneTarget& operator=(const SceneTarget&) = delete;

    // A full viewport; both targets cleared to the colour, depth to 1.
    void bindAndClear(float r = 0.0f, float g = 0.0f, float b = 0.0f, float a = 0.0f) const {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glViewport(0, 0, width, height);
        glClearColor(r, g, b, a);
        glClearDepth(1.0);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    std::array<int, 4> pixel(int target, int x, int y) const {
        const auto p = pixels(target, x, y, 1, 1);
        return {p[0], p[1], p[2], p[3]};
    }
    std::vector<unsigned char> pixels(int target, int x = 0, int y = 0, int w = -1, int h = -1) const {
        return reading([&] {
            glReadBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(target));
            return readRgba(x, y, w < 0 ? width : w, h < 0 ? height : h);
        });
    }
    float depthAt(int x, int y) const {
        GLfloat value = -1.0f;
        reading([&] { return glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &value), 0; });
        return value;
    }

    int width, height;
    GLuint framebuffer = 0;
    std::array<GLuint, 3> textures{}; // picture, glow source, depth
    bool complete = false;
};
