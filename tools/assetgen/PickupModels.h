#pragma once
#include "tools/assetgen/Model.h"

#include <glm/glm.hpp>

#include <vector>

namespace tavo::assetgen {

// Largest distance of any point from the origin, in model units. The game scales the can by 15 and the hat by
// 10; both have trigger and culling spheres of radius 10 world units around the model origin.
inline constexpr float boostReach = 0.62f;
inline constexpr float hatReach = 0.97f;

// The boost can: "can" (far), "can_low" (near: the game draws it under 100 units, so it carries the detail)
// and "effect", bright blobs on a thin ring that tumble about the origin. Upright along model z.
Model makeBoostModel();

// The one top hat, lying in the world and worn on the jet's canopy: its profile from the bottom centre round
// to the top centre (radius, height), outside on the right, brim at the bottom, centred on height 0. The
// detailed one has a turned-up brim edge.
std::vector<glm::vec2> hatProfile(bool detailed);
// Its felt: the pickup's material colours, and the worn hat's paint (the jet's program lights a texture with
// the same formula).
inline const Material hatFeltMaterial{"felt", {0.1f, 0.1f, 0.12f}, {0.3f, 0.3f, 0.3f}, 16.0f};

// The collectable top hat: "hat" (near) and "hat_low" (far), upright along model z, centred on the origin.
Model makeHatModel();

} // namespace tavo::assetgen
