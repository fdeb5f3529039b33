#include "app/FrameSteps.h"

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

void applyTextureSampling(GLint, GLint) {}
