#pragma once
#include <IL/il.h>

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// An 8-bit RGB picture as a person sees it: row 0 is the top row. Read and written through DevIL.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;

    Rgb at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    // An empty image (width 0) when the file cannot be read.
    static Image load(const std::string& path) {
        ILuint name = newDevilImage();
        ilEnable(IL_ORIGIN_SET); // row 0 at the top; the game's texture loader sets its own origin every time
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        Image image;
        if (ilLoadImage(path.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE))
            image = {
                ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT),
                std::vector<std::uint8_t>(ilGetData(), ilGetData() + ilGetInteger(IL_IMAGE_SIZE_OF_DATA))};
        ilDeleteImages(1, &name);
        return image;
    }
    bool save(const std::string& path) const {
        ILuint name = newDevilImage();
        std::vector<std::uint8_t> data = rgb; // DevIL takes a pointer to non-const data
        bool saved = ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, data.data());
        ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT); // after ilTexImage, which sets its own
        ilEnable(IL_FILE_OVERWRITE);
        saved = saved && ilSave(IL_PNG, path.c_str());
        ilDeleteImages(1, &name);
        return saved;
    }

private:
    // Once per process: a second ilInit would reset states the game's own texture loader may have set.
    static ILuint newDevilImage() {
        [[maybe_unused]] static const bool initialised = (ilInit(), true);
        const ILuint name = ilGenImage();
        ilBindImage(name);
        return name;
    }
};
