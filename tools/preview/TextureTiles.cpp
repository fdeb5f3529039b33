#include "tools/preview/TextureTiles.h"

#include "render/Texture.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace tavo::preview {

namespace {

// Alpha over a grey checkerboard of 16 x 16 squares, whatever the image size, so thumbnails look alike.
void overCheckerboard(Tile& tile) {
    const int square = std::max(1, std::max(tile.width, tile.height) / 16);
    for (int row = 0; row < tile.height; ++row)
        for (int x = 0; x < tile.width; ++x) {
            std::uint8_t* pixel = &tile.rgba[(static_cast<size_t>(row) * tile.width + x) * 4];
            const int check = ((x / square) + (row / square)) % 2 == 0 ? 200 : 150;
            const int alpha = pixel[3];
            for (int c = 0; c < 3; ++c)
                pixel[c] = static_cast<std::uint8_t>((pixel[c] * alpha + check * (255 - alpha) + 127) / 255);
            pixel[3] = 255;
        }
}

Tile readBack(const std::string& path, const std::string& label) {
    const Texture texture(path);
    if (texture.textureId == 0)
        throw std::runtime_error("cannot read " + path + " (DevIL cannot load it)");
    Tile tile;
    glBindTexture(GL_TEXTURE_2D, texture.textureId);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tile.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &tile.height);
    GLint alphaBits = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
    if (tile.width <= 0 || tile.height <= 0)
        throw std::runtime_error("cannot read " + path + " (OpenGL did not take the image)");
    tile.rgba.resize(static_cast<size_t>(tile.width) * tile.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, tile.rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    tile.label = label + "\n" + std::to_string(tile.width) + " x " + std::to_string(tile.height) +
                 (alphaBits > 0 ? " RGBA" : " RGB");
    overCheckerboard(tile);
    return tile;
}

} // namespace

std::vector<Tile> textureTiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw std::runtime_error("cannot read the folder " + folder);
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::end(it);
         it.increment(error))
        if (it->is_regular_file())
            files.push_back(it->path());
    if (error)
        throw std::runtime_error("cannot read the folder " + folder + ": " + error.message());
    std::sort(files.begin(), files.end());

    // Images uploaded after the game's text renderer exists come with byte-aligned rows; any width then
    // works.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<Tile> tiles;
    for (const fs::path& file : files)
        tiles.push_back(readBack(file.string(), file.lexically_relative(folder).generic_string()));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return tiles;
}

} // namespace tavo::preview
