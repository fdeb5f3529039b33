#pragma once
#include "tools/assetgen/Model.h"

namespace tavo::assetgen {

// Outer radius of the ring in model units: the game's trigger and culling spheres have radius 11 at scale 1.
inline constexpr float ringOuterRadius = 10.9f;

// The ring gate: one torus per level of detail, nearest first ("Ring_lod0", "Ring_lod1", ...), centred on the
// origin and opening along model y, so the game's turn stands it upright and it spins in its own plane.
Model makeRingModel();

} // namespace tavo::assetgen
