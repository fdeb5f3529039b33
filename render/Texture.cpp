#include "render/Texture.h"

#include <iostream>

Texture::Texture(const std::string& path) {
    ilInit();
    ilGenImages(1, &imageId);
    ilBindImage(imageId);
    // Images arrive bottom row first, as OpenGL expects texture rows.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    if (!ilLoadImage(path.c_str())) {
        std::cout << static_cast<unsigned>(ilGetError()) << std::endl;
        return;
    }
    // A core context takes only RGB and RGBA (and their byte orders) as internal formats; a grey, indexed or
    // BGR image is turned into RGBA so it still shows instead of leaving an empty texture.
    const ILint loadedFormat = ilGetInteger(IL_IMAGE_FORMAT);
    if ((loadedFormat != IL_RGB && loadedFormat != IL_RGBA) ||
        ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE)
        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    const void* pixels = ilGetData();
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILint pixelType = ilGetInteger(IL_IMAGE_TYPE);
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);

    // DevIL packs its rows tightly: the alignment must divide the row length, or an RGB image whose width is
    // not a multiple of 4 comes out skewed. The one in force before is someone else's and is put back.
    const ILint rowBytes = width * ilGetInteger(IL_IMAGE_BPP);
    const GLint alignment = rowBytes % 8 == 0 ? 8 : rowBytes % 4 == 0 ? 4 : rowBytes % 2 == 0 ? 2 : 1;
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

    glGenTextures(1, &textureId);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, static_cast<GLenum>(format),
                 static_cast<GLenum>(pixelType), pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

Texture::~Texture() {
    glDeleteTextures(1, &textureId);
    ilDeleteImage(imageId);
}
