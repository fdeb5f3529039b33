#include "tools/assetgen/TerrainModel.h"

#include "tools/assetgen/Noise.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tavo::assetgen {

namespace {

// The mesa tops sit inside the placement band (world -20..20): an object drawn under a top is refused and
// drawn again, one over it stays. Their flanks keep clear of the start area around the origin.
constexpr float mesaTop = -2.0f;
constexpr float mesaFlatRadius = 240.0f;
constexpr float mesaFootRadius = 320.0f;
constexpr std::array<glm::vec2, 3> mesaCentres{{{600.0f, -550.0f}, {-620.0f, -300.0f}, {-560.0f, 620.0f}}};

// Mountains stay below 175: the culling sphere of a piece holds model heights 0..48 (world -300..180).
constexpr float lowestGround = -290.0f;
constexpr float highestGround = 175.0f;

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

float terrainHeight(float worldX, float worldZ) {
    const float plain = -140.0f + 25.0f * std::sin(worldX / 310.0f) * std::cos(worldZ / 270.0f) +
                        12.0f * fractalNoise(glm::vec3(worldX / 400.0f, worldZ / 400.0f, 0.0f), 4, 11);

    float mesa = 0.0f;
    for (const glm::vec2& centre : mesaCentres) {
        const float distance = glm::length(glm::vec2(worldX, worldZ) - centre);
        mesa = std::max(mesa, 1.0f - smoothstep(mesaFlatRadius, mesaFootRadius, distance));
    }
    float height = plain + (mesaTop - plain) * mesa;

    // The start valley: no-input flight goes along +z at height 0 from the origin to the edge of the world.
    const float valley =
        (1.0f - smoothstep(200.0f, 450.0f, std::abs(worldX))) * smoothstep(-400.0f, 0.0f, worldZ);
    const float rise = smoothstep(1100.0f, 2600.0f, std::max(std::abs(worldX), std::abs(worldZ)));
    const float ridges =
        0.65f + 0.35f * fractalNoise(glm::vec3(worldX / 500.0f, worldZ / 500.0f, 5.0f), 4, 23);
    height += 280.0f * rise * ridges * (1.0f - valley);

    return std::clamp(height, lowestGround, highestGround);
}

Model makeTerrainModel(int quadsPerSide) {
    if (quadsPerSide < 1 || quadsPerSide > 400)
        throw std::invalid_argument("terrain: quads per piece side must lie in 1..400");
    const int n = quadsPerSide;
    Model model;
    model.materials.push_back({"ground", {0.35f, 0.5f, 0.25f}, {0.05f, 0.05f, 0.05f}, 4.0f});

    // One global lattice over the whole terrain (model -300..300): a vertex's coordinates depend only on its
    // global index, so two pieces that share an edge write bit-identical vertices there.
    const double step = 200.0 / n;
    auto modelCoordinate = [&](int globalIndex) { return static_cast<float>(-300.0 + globalIndex * step); };
    auto modelHeight = [](float x, float y) {
        return (terrainHeight(10.0f * x, -10.0f * y) + 300.0f) / 10.0f;
    };
    const float slopeStep = static_cast<float>(step) * 0.5f;

    for (const TerrainPiece& piece : terrainPieces) {
        MeshData mesh;
        mesh.name = piece.name;
        mesh.material = "ground";
        const int firstX = static_cast<int>(std::lround((piece.modelCentre.x - 100.0f + 300.0f) / step));
        const int firstY = static_cast<int>(std::lround((piece.modelCentre.y - 100.0f + 300.0f) / step));
        for (int j = 0; j <= n; ++j) {
            for (int i = 0; i <= n; ++i) {
                const float x = modelCoordinate(firstX + i);
                const float y = modelCoordinate(firstY + j);
                mesh.positions.emplace_back(x, y, modelHeight(x, y));
                const float dzdx =
                    (modelHeight(x + slopeStep, y) - modelHeight(x - slopeStep, y)) / (2 * slopeStep);
                const float dzdy =
                    (modelHeight(x, y + slopeStep) - modelHeight(x, y - slopeStep)) / (2 * slopeStep);
                mesh.normals.push_back(glm::normalize(glm::vec3(-dzdx, -dzdy, 1.0f)));
            }
        }
        // Counter-clockwise seen from +z: the ground faces up, and the turn into the world keeps that.
        const auto row = static_cast<std::uint32_t>(n + 1);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const std::uint32_t a = static_cast<std::uint32_t>(j) * row + static_cast<std::uint32_t>(i);
                mesh.indices.insert(mesh.indices.end(), {a, a + 1, a + row + 1, a, a + row + 1, a + row});
            }
        }
        model.meshes.push_back(std::move(mesh));
    }
    return model;
}

} // namespace tavo::assetgen
