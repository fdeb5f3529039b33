#pragma once
#include "tools/assetgen/Model.h"

#include <glm/glm.hpp>

#include <array>

namespace tavo::assetgen {

// A moving part of the aircraft: the game places it with translate(pivot) × rotate(angle, axis), so its mesh
// is written relative to the pivot. Parts without a pivot ("Plane", "window") are written in model
// coordinates.
struct AircraftPart {
    const char* name;
    glm::vec3 pivot;
};

inline constexpr std::array<AircraftPart, 7> aircraftPivotParts{{
    {"wing_left", {-3.02748f, -3.51338f, 0.18247f}},
    {"wing_right", {3.02748f, -3.51338f, 0.18247f}},
    {"rearWing_left", {-1.82155f, -6.70701f, 0.01233f}},
    {"rearWing_right", {1.82155f, -6.70701f, 0.01233f}},
    {"topWing_left", {-1.21618f, -5.60603f, 1.4479f}},
    {"topWing_right", {1.22037f, -5.60356f, 1.45777f}},
    {"hat", {0.0f, 2.87214f, 1.31086f}},
}};

// The player's twin-engine jet, authored nose along +y, up along +z, right wing along +x, in world units.
// Meshes, in this order: "Plane" (fuselage, wings, nozzles and wing-tip lights), the six control surfaces,
// the small "hat" worn once collected (brim on the canopy top) and the canopy "window". Every mesh carries
// texture coordinates into the shared atlas (AircraftAtlas.h).
Model makeAircraftModel();

} // namespace tavo::assetgen
