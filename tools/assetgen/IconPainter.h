#pragma once
#include "tools/assetgen/Image.h"

#include <filesystem>

namespace tavo::assetgen {

// The game's menu icon (RGBA, square): the jet of the aircraft model, painted with its own colour and glow
// atlases and lit from the upper left, flying towards the upper right across a round sky-blue badge. Outside
// the badge the icon is clear (alpha 0, RGB 0).
Image paintIcon(int size);

// Writes the icon in the sizes the menu entry offers, as <folder>/<size>x<size>/windlap.png (256 and 48), the
// layout of an icon theme's "apps" folders.
void writeIcons(const std::filesystem::path& folder);

} // namespace tavo::assetgen
