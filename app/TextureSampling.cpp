#include "app/FrameSteps.h"
#include "app/SceneGlobals.h"

namespace {

// A texture that failed to load has no name; generating mipmaps of name 0 would only raise a GL error.
void applyTo(const Texture* texture, GLint minFilter, GLint magFilter) {
    if (!texture || texture->textureId == 0)
        return;
    glBindTexture(GL_TEXTURE_2D, texture->textureId);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

} // namespace

FilterPair samplingFilters(int mipmapMode, bool bilinear) {
    const GLint mag = bilinear ? GL_LINEAR : GL_NEAREST;
    switch (mipmapMode) {
    case 0:
        return {mag, mag};
    case 1:
        return {bilinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST, mag};
    default:
        return {bilinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR, mag};
    }
}

void applyTextureSampling(GLint minFilter, GLint magFilter) {
    glow->setTextureFilter(minFilter, magFilter);
    // The shadow map has no mipmaps: it only follows the magnification filter.
    glBindTexture(GL_TEXTURE_2D, shadowMap->depthTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    lensFlare->setTextureFilter(minFilter, magFilter);
    applyTo(plane->diffuseTexture.get(), minFilter, magFilter);
    applyTo(fadeOverlay->texture.get(), minFilter, magFilter);
    applyTo(prizeOverlay->texture.get(), minFilter, magFilter);
}
