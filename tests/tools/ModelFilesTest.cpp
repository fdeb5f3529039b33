// The generated model files as the game imports them (Assimp with the game's flags): the meshes the game
// looks up, drawable and lit, inside their trigger and culling spheres; a terrain without seams whose
// placement loop refuses some places, never every height, and keeps the start clear. How they look is the
// goldens' part.
#include "scene/GameObject.h"
#include "scene/Placement.h"
#include "scene/Terrain.h"
#include "tools/assetgen/AircraftModel.h"
#include "tools/assetgen/TerrainModel.h"
#include "util/PhysxHandler.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

glm::vec3 toGlm(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

struct ImportedModel {
    explicit ImportedModel(const std::string& relative)
        : scene(importer.ReadFile(std::string(WINDLAP_RUN_DIR) + "/" + relative,
                                  tavo::scene::modelimport::postProcessFlags)) {}
    const aiMesh* mesh(const std::string& name) const {
        for (unsigned i = 0; scene != nullptr && i < scene->mNumMeshes; ++i)
            if (name == scene->mMeshes[i]->mName.C_Str())
                return scene->mMeshes[i];
        return nullptr;
    }
    Assimp::Importer importer;
    const aiScene* scene;
};

// Largest distance of a vertex from the point, and smallest.
float reach(const aiMesh* mesh, const glm::vec3& from = glm::vec3(0.0f), bool nearest = false) {
    float r = nearest ? 1e9f : 0.0f;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        const float d = glm::length(toGlm(mesh->mVertices[i]) - from);
        r = nearest ? std::min(r, d) : std::max(r, d);
    }
    return r;
}

// Empty when every face is a triangle wound toward its unit corner normals, so culling and lighting agree.
std::string faceProblem(const aiMesh* mesh) {
    if (mesh->mNormals == nullptr || mesh->mNumFaces == 0)
        return "no normals or no faces";
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3)
            return "face " + std::to_string(f) + " is no triangle";
        glm::vec3 p[3], normals(0.0f);
        for (int k = 0; k < 3; ++k) {
            p[k] = toGlm(mesh->mVertices[face.mIndices[k]]);
            const glm::vec3 n = toGlm(mesh->mNormals[face.mIndices[k]]);
            if (std::abs(glm::length(n) - 1.0f) > 1e-3f)
                return "face " + std::to_string(f) + " has a normal that is not of unit length";
            normals += n;
        }
        if (glm::dot(glm::cross(p[1] - p[0], p[2] - p[0]), normals) <= 0.0f)
            return "face " + std::to_string(f) + " is wound against its normals";
    }
    return {};
}

struct ModelFile {
    const char* file;
    std::vector<std::string> names; // the meshes the game looks up
    float reach;                    // trigger and culling radius over the game's scale; 0: none
    bool uvs;                       // drawn with a texture
    const char *nearMesh, *farMesh; // the detail the game draws near carries more triangles
};

class EveryModelFile : public testing::TestWithParam<ModelFile> {};

TEST_P(EveryModelFile, HasTheNamedLitMeshesWithCompleteMaterialsInsideTheTrigger) {
    const ModelFile& model = GetParam();
    ImportedModel imported(model.file);
    ASSERT_TRUE(imported.scene != nullptr && imported.scene->mNumMeshes > 0)
        << imported.importer.GetErrorString();
    std::set<std::string> names;
    for (unsigned i = 0; i < imported.scene->mNumMeshes; ++i) {
        const aiMesh* mesh = imported.scene->mMeshes[i];
        SCOPED_TRACE(mesh->mName.C_Str());
        EXPECT_TRUE(names.insert(mesh->mName.C_Str()).second) << "two meshes of one name";
        EXPECT_EQ(faceProblem(mesh), "");
        EXPECT_TRUE(model.reach == 0.0f || reach(mesh) <= model.reach) << reach(mesh);
        EXPECT_TRUE(!model.uvs || (mesh->mTextureCoords[0] != nullptr && mesh->mNumUVComponents[0] == 2));
        // Assimp fills in 0.4 grey for an omitted specular colour and the game 0 for a missing key.
        const aiMaterial* material = imported.scene->mMaterials[mesh->mMaterialIndex];
        aiColor4D colour;
        float shininess = 0.0f;
        EXPECT_EQ(aiGetMaterialColor(material, "$clr.diffuse", 0, 0, &colour), AI_SUCCESS);
        EXPECT_EQ(aiGetMaterialColor(material, "$clr.specular", 0, 0, &colour), AI_SUCCESS);
        EXPECT_EQ(aiGetMaterialFloatArray(material, "$mat.shininess", 0, 0, &shininess, nullptr), AI_SUCCESS);
        EXPECT_GE(shininess, 1.0f);
    }
    for (const std::string& name : model.names)
        EXPECT_EQ(names.count(name), 1u) << name << " is missing";
    if (model.nearMesh != nullptr) {
        ASSERT_TRUE(imported.mesh(model.nearMesh) && imported.mesh(model.farMesh));
        EXPECT_GT(imported.mesh(model.nearMesh)->mNumFaces, imported.mesh(model.farMesh)->mNumFaces);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Generated, EveryModelFile,
    testing::Values(
        ModelFile{"Models/terrain.dae",
                  std::vector<std::string>(tavo::scene::Terrain::tileNames.begin(),
                                           tavo::scene::Terrain::tileNames.end()),
                  0.0f, false, nullptr, nullptr},
        ModelFile{"Models/Ring.dae",
                  {"Ring_lod0", "Ring_lod1", "Ring_lod2"},
                  11.0f,
                  false,
                  "Ring_lod0",
                  "Ring_lod1"},
        ModelFile{"Models/fa-18.dae",
                  {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right", "topWing_left",
                   "topWing_right", "hat", "window"},
                  0.0f,
                  true,
                  nullptr,
                  nullptr},
        // Scale 15 and 10, trigger radius 10; "can_low" is drawn near.
        ModelFile{"Models/boost.dae", {"can", "can_low", "effect"}, 10.0f / 15.0f, false, "can_low", "can"},
        ModelFile{"Models/hat.dae", {"hat", "hat_low"}, 1.0f, false, "hat", "hat_low"}));

TEST(AircraftModel, FitsTheCapsuleWithHingedPartsAroundPivotsOnTheBody) {
    ImportedModel jet("Models/fa-18.dae");
    const aiMesh* body = jet.mesh("Plane");
    ASSERT_NE(body, nullptr);
    // Capsule of radius 1.5 and half height 7 along y: the nose reaches nearly to 8.5, never past.
    for (unsigned i = 0; i < body->mNumVertices; ++i)
        ASSERT_LE(std::abs(body->mVertices[i].y), 8.5f + 1e-4f);
    EXPECT_LT(reach(body, glm::vec3(0, 8.5f, 0), true), 0.6f) << "the nose is not at +y";
    for (const tavo::assetgen::AircraftPart& part : tavo::assetgen::aircraftPivotParts) {
        const aiMesh* mesh = jet.mesh(part.name);
        ASSERT_NE(mesh, nullptr) << part.name;
        // Written in model coordinates a flap would reach 3 units out of its pivot.
        EXPECT_LT(reach(mesh), 2.5f) << part.name;
        // Placed at its pivot it meets the body; the hat rests on the canopy top.
        const bool hat = std::string(part.name) == "hat";
        EXPECT_LT(reach(jet.mesh(hat ? "window" : "Plane"), part.pivot, true), hat ? 0.15f : 2.0f)
            << part.name;
    }
}

TEST(TerrainModel, PiecesMeetWithoutStepsOrSeamsAndTheStartAreaIsLow) {
    ImportedModel terrain("Models/terrain.dae");
    std::map<std::pair<float, float>, std::pair<float, glm::vec3>> seen;
    int shared = 0;
    float startHighest = -1e9f, corridorHighest = -1e9f;
    for (const tavo::assetgen::TerrainPiece& piece : tavo::assetgen::terrainPieces) {
        const aiMesh* mesh = terrain.mesh(piece.name);
        ASSERT_NE(mesh, nullptr) << piece.name;
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
            const aiVector3D& v = mesh->mVertices[i];
            const glm::vec3 normal = toGlm(mesh->mNormals[i]);
            ASSERT_GT(normal.z, 0.0f) << piece.name << " has a normal pointing down";
            // On its square, and inside the culling sphere of radius 1500 around world height -300.
            ASSERT_LE(glm::length(glm::vec2(v.x, v.y) - piece.modelCentre), 100.0f * std::sqrt(2.0f) + 1e-3f);
            ASSERT_TRUE(v.z >= 0.0f && v.z <= 48.0f) << piece.name;
            const auto [it, fresh] = seen.emplace(std::make_pair(v.x, v.y), std::make_pair(v.z, normal));
            if (!fresh) {
                ASSERT_EQ(it->second.first, v.z) << "a step at model " << v.x << ", " << v.y;
                ASSERT_LT(glm::length(it->second.second - normal), 1e-5f)
                    << "a seam at " << v.x << ", " << v.y;
                ++shared;
            }
            // World (10x, 10z - 300, -10y): the start circle and the valley ahead stay far below the band.
            const float height = 10.0f * v.z - 300.0f, x = 10.0f * v.x, z = -10.0f * v.y;
            if (glm::length(glm::vec2(x, z)) <= 350.0f)
                startHighest = std::max(startHighest, height);
            if (std::abs(x) <= 150.0f && z >= -200.0f && z <= 3000.0f)
                corridorHighest = std::max(corridorHighest, height);
        }
    }
    EXPECT_GT(shared, 500) << "pieces on offset grids share no edge";
    EXPECT_LE(startHighest, -50.0f);
    EXPECT_LE(corridorHighest, -60.0f);
}

// The game's placement rule over the centre piece in the game's physics: rings go to (a, -h, b), pickups to
// (a, h, -b); a place is refused when ground lies above it.
TEST(TerrainModel, PlacementRefusesSomePlacesButNeverTheHighestHeight) {
    ImportedModel terrain("Models/terrain.dae");
    const aiMesh* grid = terrain.mesh("Grid");
    ASSERT_NE(grid, nullptr);
    std::vector<glm::vec3> positions;
    std::vector<std::uint32_t> indices;
    for (unsigned v = 0; v < grid->mNumVertices; ++v)
        positions.push_back(toGlm(grid->mVertices[v]));
    for (unsigned f = 0; f < grid->mNumFaces; ++f)
        indices.insert(indices.end(), grid->mFaces[f].mIndices, grid->mFaces[f].mIndices + 3);
    tavo::util::PhysxHandler physics;
    btRigidBody* centre =
        physics.createTerrainPiece(positions, indices, 10.0f, glm::vec3(0.0f, -300.0f, 0.0f));
    ASSERT_NE(centre, nullptr);
    auto buried = [&](float x, float y, float z) {
        return tavo::util::PhysxHandler::raycastUp(centre, centre, {x, y, z}).has_value();
    };
    int draws = 0, refusedRings = 0, refusedPickups = 0;
    for (int second = 0; second < 60; ++second)
        for (int millisecond = 0; millisecond < 1000; millisecond += 4, ++draws) {
            const std::uint32_t heightWord = tavo::scene::randomWord();
            const auto p =
                tavo::scene::computePlacement(second, millisecond, heightWord, tavo::scene::randomWord());
            refusedRings += buried(p.a, -p.h, p.b);
            refusedPickups += buried(p.a, p.h, -p.b);
            // The highest height is always free, so the loop ends.
            ASSERT_FALSE(buried(p.a, 19.8f, -p.b) || buried(p.a, 19.8f, p.b))
                << second << " s " << millisecond;
        }
    // The mesas refuse some first tries; most land at once.
    for (int refused : {refusedRings, refusedPickups}) {
        EXPECT_GE(refused, draws * 3 / 100);
        EXPECT_LE(refused, draws / 2);
    }
}

} // namespace
