#pragma once
#include <GL/glew.h>
#include <IL/il.h>

#include <string>

// A mipmapped 2D texture from an image file (PNG, JPEG, TIFF). A file that cannot be loaded is not fatal:
// DevIL's error code goes to standard output and textureId stays 0, so binding it draws without a picture.
class Texture {
public:
    explicit Texture(const std::string& path);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint textureId = 0;
    ILuint imageId = 0;
};
