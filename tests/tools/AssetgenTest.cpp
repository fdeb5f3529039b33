// The generator as the build runs it, its COLLADA writer's refusals, and its files as the game reads them.
#include "app/WaveFile.h"
#include "scene/GameObject.h"
#include "scene/Placement.h"
#include "scene/Terrain.h"
#include "tools/assetgen/AircraftModel.h"
#include "tools/assetgen/ColladaWriter.h"
#include "tools/assetgen/GameData.h"
#include "tools/assetgen/TerrainModel.h"
#include "util/PhysxHandler.h"

#include "support/ChildProcess.h"
#include "support/TestModels.h"

#include <IL/il.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace ag = tavo::assetgen;
using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
std::string runFile(const std::string& relative) {
    return std::string(WINDLAP_RUN_DIR) + "/" + relative;
}

TEST(Assetgen, WritesExactlyTheFilesTheGameOpensTheSameOnEveryRun) {
    std::set<std::string> expected;
    std::istringstream list("Models/ terrain.dae Ring.dae fa-18.dae boost.dae hat.dae "
                            "Textures/ fa-18-uv.png fa-18-glow.png Blacka.png Prize.tif "
                            "Textures/skybox/ right.jpg left.jpg top.jpg bottom.jpg back.jpg front.jpg "
                            "Textures/lensflare/ bloom.jpg spike.jpg halo1.jpg halo2.jpg ring.jpg "
                            "Sounds/ engine.wav ring.wav hat.wav boost.wav crash.wav");
    std::string folder;
    for (std::string word; list >> word;)
        word.back() == '/' ? void(folder = word) : void(expected.insert(folder + word));
    folder = makeTempFolder("assetgen");
    for (int run = 0; run < 2; ++run) { // the second run replaces every file in place
        const ProcessResult result = runProcess({WINDLAP_ASSETGEN, folder}, 120s);
        ASSERT_EQ(result.exitStatus, 0) << result;
    }
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            written.insert(std::filesystem::relative(entry.path(), folder).string());
    EXPECT_EQ(written, expected);
    // The build's run folder holds the same bytes: the output depends on nothing but the generator.
    for (const std::string& file : expected)
        EXPECT_TRUE(readFile(folder + "/" + file) == readFile(runFile(file))) << file << " differs";
    EXPECT_NE(readFile(runFile("Fonts/LICENSE-LiberationSans.txt")).find("SIL Open Font License"),
              std::string::npos);
}

TEST(Assetgen, WithoutAFolderOrWithOneItCannotWriteItEndsWithOneClearLine) {
    const ProcessResult usage = runProcess({WINDLAP_ASSETGEN}, 10s);
    EXPECT_EQ(usage.exitStatus, 2) << usage;
    EXPECT_NE(usage.err.find("usage: assetgen RUN_FOLDER"), std::string::npos) << usage;
    const std::string folder = makeTempFolder("assetgen-blocked");
    writeTextFile(folder + "/Models", "in the way"); // so the folder cannot be made
    const ProcessResult blocked = runProcess({WINDLAP_ASSETGEN, folder}, 60s);
    EXPECT_EQ(blocked.exitStatus, 1) << blocked;
    EXPECT_EQ(blocked.err.rfind("assetgen: cannot make the folder " + folder + "/Models", 0), 0u) << blocked;
    EXPECT_EQ(readFile(folder + "/Models"), "in the way");
}

TEST(ColladaWriter, RefusesBadModelsWithAReasonAndKeepsTheOldFile) {
    ag::Model good;
    good.materials = {{"shiny", glm::vec3(0.9f), glm::vec3(0.8f), 32.0f}, {"dull", glm::vec3(0.1f), {}, 4}};
    ag::MeshData triangle{"zulu", "shiny",  {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3, glm::vec3(0, 0, 1)},
                          {},     {0, 1, 2}};
    triangle.uvs = {{0, 0}, {1, 0}, {0, 1}};
    good.meshes = {triangle, triangle};
    good.meshes[1].name = "alpha";
    const std::string path = makeTempFolder("colladawriter") + "/model.dae";
    ag::ColladaWriter::write(good, path);
    const std::string before = readFile(path);
    const std::pair<const char*, void (*)(ag::Model&)> cases[] = {
        {"no meshes", [](ag::Model& m) { m.meshes.clear(); }},
        {"used twice", [](ag::Model& m) { m.meshes[1].name = "zulu"; }},
        {"not a plain identifier", [](ag::Model& m) { m.meshes[0].name = "can low\"/>"; }},
        {"not defined", [](ag::Model& m) { m.meshes[0].material = "gold"; }},
        {"past the last", [](ag::Model& m) { m.meshes[0].indices[2] = 3; }},
        {"not a multiple of 3", [](ag::Model& m) { m.meshes[0].indices.pop_back(); }},
        {"normals for", [](ag::Model& m) { m.meshes[0].normals.pop_back(); }},
        {"texture coordinates for", [](ag::Model& m) { m.meshes[0].uvs.pop_back(); }},
        {"not a finite number", [](ag::Model& m) { m.meshes[0].positions[1].y = std::nanf(""); }},
        {"no vertices or no triangles", [](ag::Model& m) { m.meshes[1].indices.clear(); }},
    };
    for (const auto& [reason, spoil] : cases) {
        ag::Model model = good;
        spoil(model);
        EXPECT_NE(ag::ColladaWriter::check(model).find(reason), std::string::npos) << reason;
        try {
            ag::ColladaWriter::write(model, path);
            ADD_FAILURE() << "a model with \"" << reason << "\" was written";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
        EXPECT_EQ(readFile(path), before) << "a refused model changed the file on disk";
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
    EXPECT_THROW(ag::ColladaWriter::write(good, path + "/no/such/folder.dae"), std::runtime_error);
}

// Grey images would arrive as GL_LUMINANCE, which a core context refuses; the aircraft's are uploaded before
// the unpack alignment is 1, so they need 4-byte rows. Sounds: the engine loops, the others must not click.
TEST(GeneratedFiles, ImagesAreEightBitRgbOrRgbaSoundsShortMonoWavesQuietAtTheEnds) {
    ilInit();
    int sounds = 0;
    for (const std::string& file : ag::generatedFiles()) {
        SCOPED_TRACE(file);
        if (file.rfind("Textures/", 0) == 0) {
            const ILuint id = ilGenImage();
            ilBindImage(id);
            ASSERT_TRUE(ilLoadImage(runFile(file).c_str()));
            const int format = ilGetInteger(IL_IMAGE_FORMAT);
            EXPECT_TRUE(format == IL_RGB || format == IL_RGBA);
            EXPECT_EQ(ilGetInteger(IL_IMAGE_TYPE), IL_UNSIGNED_BYTE);
            const bool prize = file.find("Prize") != std::string::npos;
            EXPECT_TRUE(format == IL_RGBA || !(prize || file.find("fa-18") != std::string::npos));
            EXPECT_TRUE(ilGetInteger(IL_IMAGE_WIDTH) == ilGetInteger(IL_IMAGE_HEIGHT) ||
                        !(prize || file.find("skybox") != std::string::npos))
                << "a cube face, or the prize's square";
            ilDeleteImage(id);
        }
        if (file.rfind("Sounds/", 0) != 0)
            continue;
        ++sounds;
        const auto wave = readWave(runFile(file));
        ASSERT_TRUE(wave) << "not a mono 16-bit WAV";
        const std::vector<std::int16_t>& x = wave->samples;
        const size_t n = x.size();
        ASSERT_TRUE(n >= 0.3 * wave->rate && n <= 2.0 * wave->rate) << n;
        int peak = 0, step = 0;
        for (size_t i = 1; i < n; ++i)
            peak = std::max(peak, std::abs(int(x[i]))), step = std::max(step, std::abs(x[i] - x[i - 1]));
        EXPECT_TRUE(peak > 32767 / 4 && peak < 32767 * 9 / 10)
            << "nearly silent or too loud to mix: " << peak;
        if (file == "Sounds/engine.wav")
            EXPECT_LE(std::abs(x[0] - x[n - 1]), step) << "a seam where the loop turns";
        else
            EXPECT_TRUE(std::abs(int(x.front())) < 100 && std::abs(int(x.back())) < 100) << "a click";
    }
    EXPECT_EQ(sounds, 5);
}

glm::vec3 toGlm(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

struct ImportedModel {
    explicit ImportedModel(const std::string& relative)
        : scene(importer.ReadFile(runFile(relative), tavo::scene::modelimport::postProcessFlags)) {}
    const aiMesh* mesh(const std::string& name) const {
        for (unsigned i = 0; scene != nullptr && i < scene->mNumMeshes; ++i)
            if (name == scene->mMeshes[i]->mName.C_Str())
                return scene->mMeshes[i];
        return nullptr;
    }
    Assimp::Importer importer;
    const aiScene* scene;
};

// Largest distance of a vertex from the point, or smallest.
float reach(const aiMesh* mesh, const glm::vec3& from = glm::vec3(0.0f), bool nearest = false) {
    float r = nearest ? 1e9f : 0.0f;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        const float d = glm::length(toGlm(mesh->mVertices[i]) - from);
        r = nearest ? std::min(r, d) : std::max(r, d);
    }
    return r;
}

TEST(ModelFiles, HaveTheNamedLitMeshesWithCompleteMaterialsInsideTheTrigger) {
    std::string tiles;
    for (const char* name : tavo::scene::Terrain::tileNames)
        tiles += std::string(name) + " ";
    // The meshes the game looks up; trigger and culling radius over the game's scale (0: none); textured;
    // the detail drawn near, which carries more triangles than the far one. Boost: scale 15, radius 10.
    const struct {
        const char *file, *names;
        float reach;
        bool uvs;
        const char *nearMesh, *farMesh;
    } models[] = {
        {"Models/terrain.dae", tiles.c_str(), 0.0f, false, nullptr, nullptr},
        {"Models/Ring.dae", "Ring_lod0 Ring_lod1 Ring_lod2", 11.0f, false, "Ring_lod0", "Ring_lod1"},
        {"Models/fa-18.dae",
         "Plane wing_left wing_right rearWing_left rearWing_right topWing_left topWing_right hat window",
         0.0f, true, nullptr, nullptr},
        {"Models/boost.dae", "can can_low effect", 10.0f / 15.0f, false, "can_low", "can"},
        {"Models/hat.dae", "hat hat_low", 1.0f, false, "hat", "hat_low"},
    };
    for (const auto& model : models) {
        SCOPED_TRACE(model.file);
        ImportedModel imported(model.file);
        ASSERT_TRUE(imported.scene != nullptr) << imported.importer.GetErrorString();
        std::set<std::string> names;
        for (unsigned i = 0; i < imported.scene->mNumMeshes; ++i) {
            const aiMesh* mesh = imported.scene->mMeshes[i];
            SCOPED_TRACE(mesh->mName.C_Str());
            names.insert(mesh->mName.C_Str()); // two of one name the writer refuses
            // Triangles wound toward their unit corner normals, so culling and lighting agree.
            ASSERT_TRUE(mesh->mNormals != nullptr && mesh->mNumFaces > 0);
            for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
                const aiFace& face = mesh->mFaces[f];
                ASSERT_EQ(face.mNumIndices, 3u) << f;
                glm::vec3 p[3], n[3];
                for (int k = 0; k < 3; ++k) {
                    p[k] = toGlm(mesh->mVertices[face.mIndices[k]]),
                    n[k] = toGlm(mesh->mNormals[face.mIndices[k]]);
                    ASSERT_NEAR(glm::length(n[k]), 1.0f, 1e-3f) << f;
                }
                ASSERT_GT(glm::dot(glm::cross(p[1] - p[0], p[2] - p[0]), n[0] + n[1] + n[2]), 0.0f) << f;
            }
            EXPECT_TRUE(model.reach == 0.0f || reach(mesh) <= model.reach) << reach(mesh);
            EXPECT_TRUE(!model.uvs || (mesh->mTextureCoords[0] != nullptr && mesh->mNumUVComponents[0] == 2));
            // Assimp fills in 0.4 grey for an omitted specular colour and the game 0 for a missing key.
            const aiMaterial* material = imported.scene->mMaterials[mesh->mMaterialIndex];
            aiColor4D colour;
            float shininess = 0.0f;
            EXPECT_EQ(aiGetMaterialColor(material, "$clr.diffuse", 0, 0, &colour), AI_SUCCESS);
            EXPECT_EQ(aiGetMaterialColor(material, "$clr.specular", 0, 0, &colour), AI_SUCCESS);
            EXPECT_EQ(aiGetMaterialFloatArray(material, "$mat.shininess", 0, 0, &shininess, nullptr),
                      AI_SUCCESS);
            EXPECT_GE(shininess, 1.0f);
        }
        std::istringstream wanted(model.names);
        for (std::string name; wanted >> name;)
            EXPECT_EQ(names.count(name), 1u) << name << " is missing";
        if (model.nearMesh != nullptr) {
            ASSERT_TRUE(imported.mesh(model.nearMesh) && imported.mesh(model.farMesh));
            EXPECT_GT(imported.mesh(model.nearMesh)->mNumFaces, imported.mesh(model.farMesh)->mNumFaces);
        }
    }
}

TEST(ModelFiles, JetFitsTheCapsuleWithHingedPartsAroundPivotsOnTheBody) {
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
        // Written in model coordinates a flap would reach 3 units out of its pivot; placed at its pivot it
        // meets the body, and the hat rests on the canopy top.
        EXPECT_LT(reach(mesh), 2.5f) << part.name;
        const bool hat = std::string(part.name) == "hat";
        EXPECT_LT(reach(jet.mesh(hat ? "window" : "Plane"), part.pivot, true), hat ? 0.15f : 2.0f)
            << part.name;
    }
}

TEST(ModelFiles, TerrainPiecesMeetWithoutStepsOrSeamsAndTheStartAreaIsLow) {
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

// The game's placement rule over the centre piece: rings go to (a, -h, b), pickups to (a, h, -b).
TEST(ModelFiles, PlacementRefusesSomePlacesButNeverTheHighestHeight) {
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
