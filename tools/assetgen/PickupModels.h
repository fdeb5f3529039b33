#pragma once
#include "tools/assetgen/Model.h"

namespace tavo::assetgen {

// Largest distance of any point from the origin, in model units. The game scales the can by 15 and the hat by
// 10; both have trigger and culling spheres of radius 10 world units around the model origin.
inline constexpr float boostReach = 0.62f;
inline constexpr float hatReach = 0.97f;

// The boost can: "can" (far), "can_low" (near: the game draws it under 100 units, so it carries the detail)
// and "effect", bright blobs on a thin ring that tumble about the origin. Upright along model z.
Model makeBoostModel();

// The collectable top hat: "hat" (near) and "hat_low" (far), upright along model z, centred on the origin.
Model makeHatModel();

} // namespace tavo::assetgen
