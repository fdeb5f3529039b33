#pragma once
#include <glm/glm.hpp>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tavo::assetgen {

// 8-bit RGB or RGBA pixels with memory row 0 at the bottom, the way DevIL builds and saves an image: the
// game's textures load with a lower-left origin, so row 0 arrives at v = 0 with no flip.
class Image {
public:
    Image(int width, int height, int channels);

    int width() const { return w; }
    int height() const { return h; }
    int channels() const { return c; }
    const std::vector<std::uint8_t>& pixels() const { return data; }

    // Colour components in 0..1, clamped and rounded; alpha is ignored for RGB images.
    void set(int x, int row, const glm::vec4& rgba);
    glm::vec4 get(int x, int row) const;

    // Fills every pixel from its texel-centre coordinates ((x + 0.5) / width, (row + 0.5) / height).
    template <typename Paint> void fill(Paint paint) {
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                set(x, row, paint(glm::vec2((x + 0.5f) / w, (row + 0.5f) / h)));
    }

private:
    int w;
    int h;
    int c;
    std::vector<std::uint8_t> data;
};

// Saves with DevIL in the format the extension names (.png, .jpg, .tif); JPEG at quality 95. The image is
// written beside its final name and renamed into place, so a failure never leaves a broken file behind.
// Throws std::runtime_error naming the file and DevIL's error code.
void saveImage(const Image& image, const std::filesystem::path& path);

} // namespace tavo::assetgen
