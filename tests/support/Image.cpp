#include "support/Image.h"

#include <IL/il.h>

namespace {

// Once per process: a second ilInit would reset states the game's own texture loader may have set.
ILuint newDevilImage() {
    [[maybe_unused]] static const bool initialised = (ilInit(), true);
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    return name;
}

} // namespace

int Image::count(Rgb colour) const {
    int matches = 0;
    for (int i = 0; i < width * height; ++i)
        matches += at(i % width, i / width) == colour;
    return matches;
}

Image Image::load(const std::string& path) {
    ILuint name = newDevilImage();
    ilEnable(IL_ORIGIN_SET); // row 0 at the top; the game's texture loader sets its own origin every time
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    Image image;
    if (ilLoadImage(path.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)) {
        image.width = ilGetInteger(IL_IMAGE_WIDTH);
        image.height = ilGetInteger(IL_IMAGE_HEIGHT);
        image.rgb.assign(ilGetData(), ilGetData() + static_cast<size_t>(image.width) * image.height * 3);
    }
    ilDeleteImages(1, &name);
    return image;
}

bool Image::save(const std::string& path, bool grey) const {
    ILuint name = newDevilImage();
    std::vector<std::uint8_t> data = rgb; // DevIL takes a pointer to non-const data
    bool saved = ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, data.data());
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT); // after ilTexImage, which sets its own
    saved = saved && (!grey || ilConvertImage(IL_LUMINANCE, IL_UNSIGNED_BYTE));
    ilEnable(IL_FILE_OVERWRITE);
    saved = saved && ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &name);
    return saved;
}
