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

    glGenTextures(1, &textureId);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, static_cast<GLenum>(format),
                 static_cast<GLenum>(pixelType), pixels);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

Texture::~Texture() {
    glDeleteTextures(1, &textureId);
    ilDeleteImage(imageId);
}
