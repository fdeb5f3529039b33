#include "tools/preview/OffscreenTarget.h"

#include <stdexcept>

namespace tavo::preview {

OffscreenTarget::OffscreenTarget(int size) : size(size) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(2, colour);
    for (int output = 0; output < 2; ++output) {
        glBindTexture(GL_TEXTURE_2D, colour[output]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + output, GL_TEXTURE_2D, colour[output],
                               0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size, size);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const GLenum outputs[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, outputs);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        throw std::runtime_error("the offscreen framebuffer is incomplete (status " + std::to_string(status) +
                                 ")");
}

OffscreenTarget::~OffscreenTarget() {
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(2, colour);
    glDeleteRenderbuffers(1, &depth);
}

void OffscreenTarget::begin(const glm::vec3& background) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, size, size);
    const GLfloat picture[] = {background.r, background.g, background.b, 1.0f};
    const GLfloat black[] = {0.0f, 0.0f, 0.0f, 1.0f};
    glClearBufferfv(GL_COLOR, 0, picture);
    glClearBufferfv(GL_COLOR, 1, black);
    glClear(GL_DEPTH_BUFFER_BIT);
}

Tile OffscreenTarget::read(int output, const std::string& label) const {
    Tile tile{label, size, size, std::vector<std::uint8_t>(static_cast<size_t>(size) * size * 4)};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0 + output);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, tile.rgba.data());
    // Blending leaves the canopy's alpha in the picture; the sheet shows what the screen would.
    for (size_t i = 3; i < tile.rgba.size(); i += 4)
        tile.rgba[i] = 255;
    return tile;
}

} // namespace tavo::preview
