#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tavo::preview {

// One picture of the contact sheet: 8-bit RGBA, memory row 0 at the bottom (as glReadPixels and glGetTexImage
// return rows, and as DevIL saves them), with the caption printed under it.
struct Tile {
    std::string label;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

} // namespace tavo::preview
