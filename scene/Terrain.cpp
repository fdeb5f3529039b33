#include "scene/Terrain.h"

#include "util/PhysxHandler.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cstddef>

namespace tavo::scene {

const std::array<const char*, Terrain::tileCount> Terrain::tileNames = {
    "Grid_right",   "Grid_bottomright", "Grid_bottomleft", "Grid_topright",
    "Grid_topleft", "Grid_top",         "Grid_bottom",     "Grid",
    "Grid_left"};

namespace {

// Piece centres in units of 200 x scale, by slot.
const std::array<glm::vec2, Terrain::tileCount> tileGridOffsets = {
    glm::vec2(0, -1), glm::vec2(1, -1), glm::vec2(1, 1), glm::vec2(-1, -1), glm::vec2(-1, 1),
    glm::vec2(-1, 0), glm::vec2(1, 0),  glm::vec2(0, 0), glm::vec2(0, 1)};

} // namespace

int Terrain::tileSlot(const std::string& meshName) {
    for (int slot = 0; slot < tileCount; ++slot)
        if (meshName == tileNames[slot])
            return slot;
    return -1;
}

Terrain::Terrain(const glm::mat4& model, Shader* shader, const std::string& modelPath, float scale,
                 util::PhysxHandler* physics)
    : GameObject(model, shader) {
    boundingRadius = 150.0f * scale;

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(modelPath, modelimport::postProcessFlags);
    addMeshes(scene);
    if (meshes.empty())
        return;

    const glm::vec3 translation(modelMatrix[3]);
    std::vector<glm::vec3> positions;
    std::vector<std::uint32_t> triangles;
    for (unsigned int i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[i];
        const int slot = tileSlot(meshes[i]->name);
        const glm::vec3 offset =
            slot < 0 ? glm::vec3(0.0f)
                     : glm::vec3(tileGridOffsets[slot].x, 0.0f, tileGridOffsets[slot].y) * (200.0f * scale);
        meshOffsets.push_back(offset);
        if (slot >= 0)
            tileOffsets[slot] = offset;
        if (!physics)
            continue;

        positions.assign(mesh->mNumVertices, glm::vec3(0.0f));
        for (unsigned int v = 0; v < mesh->mNumVertices; ++v)
            positions[v] = glm::vec3(mesh->mVertices[v].x, mesh->mVertices[v].y, mesh->mVertices[v].z);
        triangles.clear();
        for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices < 3)
                continue; // points and lines have no surface
            triangles.insert(triangles.end(), face.mIndices, face.mIndices + 3);
        }
        // A piece without a usable triangle is drawn but has no collision.
        btRigidBody* actor = physics->createTerrainPiece(positions, triangles, scale, translation);
        if (actor && slot >= 0) {
            tileActors[slot] = actor;
            physics->terrainTileActors[slot] = actor;
        }
    }
}

unsigned int Terrain::drawTiles(const ViewFrustum* frustum, bool skipCulling) {
    const glm::vec3 translation(modelMatrix[3]);
    // Only the pieces the file has: a short file is drawn as far as it goes.
    const size_t count = std::min(meshes.size(), static_cast<size_t>(tileCount));
    // Nearest piece first: the hills in front then hide what lies behind them before it is shaded.
    std::array<size_t, tileCount> order{};
    std::array<float, tileCount> distance{};
    for (size_t i = 0; i < count; ++i) {
        order[i] = i;
        distance[i] = frustum ? glm::dot(translation + meshOffsets[i] - frustum->cameraPosition,
                                         translation + meshOffsets[i] - frustum->cameraPosition)
                              : 0.0f;
    }
    std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count),
              [&](size_t a, size_t b) { return distance[a] < distance[b]; });

    unsigned int drawn = 0;
    for (size_t k = 0; k < count; ++k) {
        const size_t i = order[k];
        if (!skipCulling && frustum && !frustum->sphereVisible(translation + meshOffsets[i], boundingRadius))
            continue;
        meshes[i]->drawWithShader();
        drawn += meshes[i]->indexCount;
    }
    return drawn;
}

unsigned int Terrain::drawShadowTiles(const ShadowMap& shadowMap) {
    unsigned int drawn = 0;
    for (const auto& mesh : meshes) {
        if (!shadowMap.boxInLight(modelMatrix, mesh->boundsMin, mesh->boundsMax))
            continue;
        mesh->draw();
        drawn += mesh->indexCount;
    }
    return drawn;
}

unsigned int Terrain::getIndexCount() {
    unsigned int count = 0;
    for (const auto& mesh : meshes)
        count += mesh->indexCount;
    return count;
}

} // namespace tavo::scene
