#pragma once
#include "tools/assetgen/Model.h"

#include <glm/glm.hpp>

#include <array>

namespace tavo::assetgen {

// One of the nine terrain pieces, in the slot order the game draws them: mesh name and the centre of its
// 200 x 200 square in model units (the game maps model (x, y, z) to world (10x, 10z - 300, -10y)).
struct TerrainPiece {
    const char* name;
    glm::vec2 modelCentre;
};

inline constexpr std::array<TerrainPiece, 9> terrainPieces{{
    {"Grid_right", {0.0f, 200.0f}},
    {"Grid_bottomright", {200.0f, 200.0f}},
    {"Grid_bottomleft", {200.0f, -200.0f}},
    {"Grid_topright", {-200.0f, 200.0f}},
    {"Grid_topleft", {-200.0f, -200.0f}},
    {"Grid_top", {-200.0f, 0.0f}},
    {"Grid_bottom", {200.0f, 0.0f}},
    {"Grid", {0.0f, 0.0f}},
    {"Grid_left", {0.0f, -200.0f}},
}};

// The ground's world height at world (x, z): a low rolling plain with three flat-topped mesas whose tops lie
// in the height band where rings and pickups are placed (so a placement is sometimes refused), a valley along
// +z for the start, and mountains toward the edges that frame the world.
float terrainHeight(float worldX, float worldZ);

// All nine pieces sampled from terrainHeight on one global grid, `quadsPerSide` quads along each piece edge,
// so neighbouring pieces share their edge vertices exactly and normals run on without a seam.
Model makeTerrainModel(int quadsPerSide = 50);

} // namespace tavo::assetgen
