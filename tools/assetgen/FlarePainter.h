#pragma once
#include "tools/assetgen/Image.h"

#include <string>

namespace tavo::assetgen {

// The lens-flare sprites, light on pure black: JPEG keeps no alpha, so the flare shader takes its weight from
// the brightness. Everything fades to black well inside the border (quads reach half the screen).
enum class FlareSprite { Bloom, Spike, Halo1, Halo2, Ring };

Image paintFlareSprite(FlareSprite sprite, int size);

} // namespace tavo::assetgen
