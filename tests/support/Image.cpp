#include "support/Image.h"

#include <IL/il.h>

#include <algorithm>
#include <ostream>

Rgb Image::at(int x, int y) const {
    size_t index = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[index], rgb[index + 1], rgb[index + 2]};
}

int Image::count(Rgb colour) const {
    int matches = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        if (rgb[i] == colour.r && rgb[i + 1] == colour.g && rgb[i + 2] == colour.b)
            ++matches;
    return matches;
}

Image Image::load(const std::string& path) {
    // Once per process: a second ilInit would reset the states that the game's own texture loader may have
    // set.
    static bool initialised = (ilInit(), true);
    (void)initialised;
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    Image image;
    if (ilLoadImage(path.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)) {
        image.width = ilGetInteger(IL_IMAGE_WIDTH);
        image.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* data = ilGetData();
        size_t rowBytes = static_cast<size_t>(image.width) * 3;
        image.rgb.resize(rowBytes * image.height);
        // The origin is the file's; DevIL's global origin setting is left alone so the game's loader keeps
        // its own.
        bool bottomFirst = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
        for (int row = 0; row < image.height; ++row) {
            int source = bottomFirst ? image.height - 1 - row : row;
            std::copy(data + source * rowBytes, data + (source + 1) * rowBytes,
                      image.rgb.begin() + row * rowBytes);
        }
    }
    ilDeleteImages(1, &name);
    return image;
}

std::ostream& operator<<(std::ostream& stream, const Rgb& colour) {
    return stream << "rgb(" << int(colour.r) << ", " << int(colour.g) << ", " << int(colour.b) << ")";
}
