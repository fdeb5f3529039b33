#pragma once
#include "tools/preview/Tile.h"

#include <string>
#include <vector>

namespace tavo::preview {

// Every file under "folder" (sky box faces, flare sprites, overlays, the jet's textures), loaded through the
// game's Texture class and read back from the OpenGL texture, so the sheet shows what the game uploads.
// Transparent parts show a checkerboard. Needs the current context; throws std::runtime_error when a file
// cannot be read.
std::vector<Tile> textureTiles(const std::string& folder);

} // namespace tavo::preview
