#include "tools/assetgen/Image.h"

#include <IL/il.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace tavo::assetgen {

Image::Image(int width, int height, int channels) : w(width), h(height), c(channels) {
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        throw std::invalid_argument("image size " + std::to_string(width) + " x " + std::to_string(height) +
                                    " is outside 1..8192");
    // One- and two-channel images would load as GL_LUMINANCE, which a core context refuses.
    if (channels != 3 && channels != 4)
        throw std::invalid_argument("images are written as RGB or RGBA only, not with " +
                                    std::to_string(channels) + " channels");
    data.assign(static_cast<std::size_t>(width) * height * channels, 0);
}

void Image::set(int x, int row, const glm::vec4& rgba) {
    if (x < 0 || x >= w || row < 0 || row >= h)
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(row) +
                                ") is outside the image");
    std::uint8_t* pixel = &data[(static_cast<std::size_t>(row) * w + x) * c];
    for (int i = 0; i < c; ++i)
        pixel[i] = static_cast<std::uint8_t>(std::lround(std::clamp(rgba[i], 0.0f, 1.0f) * 255.0f));
}

glm::vec4 Image::get(int x, int row) const {
    if (x < 0 || x >= w || row < 0 || row >= h)
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(row) +
                                ") is outside the image");
    const std::uint8_t* pixel = &data[(static_cast<std::size_t>(row) * w + x) * c];
    glm::vec4 rgba(0.0f, 0.0f, 0.0f, 1.0f);
    for (int i = 0; i < c; ++i)
        rgba[i] = pixel[i] / 255.0f;
    return rgba;
}

namespace {

// DevIL stamps every TIFF with the time of writing (tag 306, DateTime). A fixed stamp keeps the generator's
// output the same from run to run, so an unchanged picture is an unchanged file.
void fixTiffDate(const std::filesystem::path& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char header[8] = {};
    if (!file.read(reinterpret_cast<char*>(header), 8))
        return;
    const bool little = header[0] == 'I';
    auto number = [little](const unsigned char* bytes, int size) {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= static_cast<std::uint32_t>(bytes[little ? i : size - 1 - i]) << (8 * i);
        return value;
    };
    file.seekg(number(header + 4, 4));
    unsigned char countBytes[2] = {};
    if (!file.read(reinterpret_cast<char*>(countBytes), 2))
        return;
    const std::uint32_t entries = number(countBytes, 2);
    for (std::uint32_t i = 0; i < entries; ++i) {
        unsigned char entry[12] = {};
        if (!file.read(reinterpret_cast<char*>(entry), 12))
            return;
        const char stamp[] = "2024:01:01 00:00:00";
        if (number(entry, 2) == 306 && number(entry + 2, 2) == 2 && number(entry + 4, 4) == sizeof stamp) {
            file.seekp(number(entry + 8, 4));
            file.write(stamp, sizeof stamp);
            return;
        }
    }
}

} // namespace

void saveImage(const Image& image, const std::filesystem::path& path) {
    static const bool initialised = [] {
        ilInit();
        // Without this DevIL refuses to replace the file of an earlier run.
        ilEnable(IL_FILE_OVERWRITE);
        ilSetInteger(IL_JPG_QUALITY, 95);
        return true;
    }();
    (void)initialised;

    // The extension must stay last: DevIL picks the format from it.
    std::filesystem::path partial = path;
    partial.replace_extension(".partial" + path.extension().string());

    ILuint id = 0;
    ilGenImages(1, &id);
    ilBindImage(id);
    const ILenum format = image.channels() == 4 ? IL_RGBA : IL_RGB;
    std::vector<std::uint8_t> pixels = image.pixels();
    bool saved = ilTexImage(image.width(), image.height(), 1, static_cast<ILubyte>(image.channels()), format,
                            IL_UNSIGNED_BYTE, pixels.data()) == IL_TRUE;
    saved = saved && ilSaveImage(partial.string().c_str()) == IL_TRUE;
    const ILenum error = saved ? IL_NO_ERROR : ilGetError();
    while (ilGetError() != IL_NO_ERROR) {
    }
    ilDeleteImages(1, &id);

    std::error_code ignored;
    if (!saved) {
        std::filesystem::remove(partial, ignored);
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(error));
        throw std::runtime_error("cannot write " + path.string() + ": DevIL error " + code);
    }
    if (path.extension() == ".tif")
        fixTiffDate(partial);
    std::error_code moved;
    std::filesystem::rename(partial, path, moved);
    if (moved) {
        std::filesystem::remove(partial, ignored);
        throw std::runtime_error("cannot move " + partial.string() + " to " + path.string() + ": " +
                                 moved.message());
    }
}

} // namespace tavo::assetgen
