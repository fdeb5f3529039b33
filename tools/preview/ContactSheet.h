#pragma once
#include "tools/preview/Tile.h"

#include <string>
#include <vector>

namespace tavo::preview {

struct SheetLayout {
    std::string title;
    int columns = 6;
    // Each tile is scaled to fit a cell this many pixels square.
    int cell = 254;
    // TrueType font of the captions; empty for ImageMagick's default.
    std::string font;
};

// Saves the tiles as PNG files in a temporary folder and has ImageMagick's montage lay them out, captioned,
// in one picture at "output" (the format follows its extension). Throws std::runtime_error when a tile or the
// sheet cannot be written or montage cannot be run.
void writeContactSheet(const std::vector<Tile>& tiles, const SheetLayout& layout, const std::string& output);

} // namespace tavo::preview
