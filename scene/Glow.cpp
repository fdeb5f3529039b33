#include "scene/Glow.h"

#include "render/GlState.h"
#include "scene/ScreenQuad.h"

namespace tavo::scene {

namespace {

GLuint createTarget(int width, int height) {
    GLuint texture = 0;
    glActiveTexture(GL_TEXTURE0);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

void clampToEdge() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

GLuint createBlurFramebuffer(GLuint texture) {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return framebuffer;
}

void setFilters(GLuint texture, GLint minFilter, GLint magFilter, bool regenerateMipmaps) {
    glBindTexture(GL_TEXTURE_2D, texture);
    if (regenerateMipmaps)
        glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

} // namespace

Glow::Glow(const glm::mat4& model, int width, int height, Shader* ver, Shader* hor, Shader* combine)
    : SceneObject(model), height(height), width(width), verShader(ver), horShader(hor),
      combineShader(combine) {
    const int halfWidth = width / 2;
    const int halfHeight = height / 2;

    sceneTexture = createTarget(width, height);
    glowTexture = createTarget(width, height);
    glGenerateMipmap(GL_TEXTURE_2D);
    clampToEdge();

    glGenRenderbuffers(1, &depthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    glGenFramebuffers(1, &sceneFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, sceneFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, sceneTexture, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, glowTexture, 0);
    const GLenum drawBuffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, drawBuffers);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    verTexture = createTarget(halfWidth, halfHeight);
    clampToEdge();
    verFramebuffer = createBlurFramebuffer(verTexture);
    horTexture = createTarget(halfWidth, halfHeight);
    clampToEdge();
    horFramebuffer = createBlurFramebuffer(horTexture);
    glBindTexture(GL_TEXTURE_2D, 0);

    // One vertex array for all three programs; their shaders fix "position" and "uv" to the same locations.
    createScreenQuad(1.0f, verShader->programId, {vertexBuffer, indexBuffer, uvBuffer, vertexArray});
}

Glow::~Glow() {
    glDeleteFramebuffers(1, &sceneFramebuffer);
    glDeleteTextures(1, &sceneTexture);
    glDeleteTextures(1, &glowTexture);
    glDeleteRenderbuffers(1, &depthRenderbuffer);
    glDeleteFramebuffers(1, &verFramebuffer);
    glDeleteTextures(1, &verTexture);
    glDeleteFramebuffers(1, &horFramebuffer);
    glDeleteTextures(1, &horTexture);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &uvBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

void Glow::draw() {
    // All three programs write alpha 1: blending would only read the targets back to keep the output as is.
    // Filled whatever the wireframe switch says: lines would leave the blur targets empty but for the quad's
    // edges, and a diagonal of glow across the picture.
    const ScopedGlState state;
    GlState::setBlend(false);
    GlState::setPolygonMode(GL_FILL);
    glViewport(0, 0, width / 2, height / 2);

    glUseProgram(verShader->programId);
    glBindFramebuffer(GL_FRAMEBUFFER, verFramebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, glowTexture);
    glGenerateMipmap(GL_TEXTURE_2D);
    drawScreenQuad(vertexArray);

    glUseProgram(horShader->programId);
    glBindFramebuffer(GL_FRAMEBUFFER, horFramebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, verTexture);
    glGenerateMipmap(GL_TEXTURE_2D);
    drawScreenQuad(vertexArray);

    glViewport(0, 0, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, horTexture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, sceneTexture);

    glUseProgram(combineShader->programId);
    // The composite covers the whole window and nothing reads the window's depth: testing and writing it
    // would only cost a depth read and write per pixel. Depth writes go off as for every effect drawn on
    // screen.
    GlState::setDepthFunc(GL_ALWAYS);
    glDepthMask(GL_FALSE);
    drawScreenQuad(vertexArray);
    glDepthMask(GL_TRUE);
}

void Glow::setTextureFilter(GLint minFilter, GLint magFilter) {
    setFilters(sceneTexture, magFilter, magFilter, false);
    setFilters(glowTexture, minFilter, magFilter, false);
    setFilters(horTexture, magFilter, magFilter, true);
    setFilters(verTexture, minFilter, magFilter, true);
}

} // namespace tavo::scene
