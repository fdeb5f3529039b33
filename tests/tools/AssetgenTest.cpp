// The generator as the build runs it, its COLLADA writer's refusals, and its files as the game reads them.
#include "app/WaveFile.h"
#include "scene/GameObject.h"
#include "scene/Placement.h"
#include "scene/Terrain.h"
#include "tools/assetgen/AircraftModel.h"
#include "tools/assetgen/ColladaWriter.h"
#include "tools/assetgen/OverlayPainter.h"
#include "tools/assetgen/TerrainModel.h"
#include "util/PhysxHandler.h"

#include "support/ChildProcess.h"
#include "support/TestModels.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <glm/gtc/type_ptr.hpp>
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace ag = tavo::assetgen;
using namespace tavo::scene;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tavo::util::PhysxHandler;

std::string readFile(const std::string& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}
const std::string runDir = std::string(WINDLAP_RUN_DIR) + "/";

// The build's run folder was written by an earlier run over older files: the same bytes again.
TEST(Assetgen, WritesTheRunFoldersFilesAndRefusesWithOneClearLine) {
    const std::string folder = makeTempFolder("assetgen");
    const ProcessResult result = runProcess({WINDLAP_ASSETGEN, folder}, 120s);
    ASSERT_EQ(result.exitStatus, 0) << result;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            const std::string file = fs::relative(entry.path(), folder).string();
            EXPECT_TRUE(readFile(entry.path()) == readFile(runDir + file)) << file << " differs";
        }
    std::istringstream opened(
        "Models/ terrain.dae Ring.dae fa-18.dae boost.dae hat.dae Textures/ fa-18-uv.png "
        "fa-18-glow.png Blacka.png Prize.tif Textures/skybox/ right.jpg left.jpg top.jpg "
        "bottom.jpg back.jpg front.jpg Textures/lensflare/ bloom.jpg spike.jpg halo1.jpg "
        "halo2.jpg ring.jpg Sounds/ engine.wav ring.wav hat.wav boost.wav crash.wav");
    for (std::string word, at; opened >> word;) // a word ending in / names the folder of those after it
        EXPECT_TRUE(word.back() == '/' ? !(at = word).empty() : fs::exists(folder + "/" + at + word)) << word;
    EXPECT_NE(readFile(runDir + "Fonts/LICENSE-LiberationSans.txt").find("SIL Open Font License"),
              std::string::npos);
    // Sounds the game mixes: the engine loops without a seam, the others must not click.
    for (const auto& entry : fs::directory_iterator(folder + "/Sounds")) {
        const auto wave = readWave(entry.path());
        ASSERT_TRUE(wave) << entry.path() << " is not a mono 16-bit WAV";
        const std::vector<std::int16_t>& x = wave->samples;
        const size_t n = x.size();
        ASSERT_TRUE(n >= 0.3 * wave->rate && n <= 2.0 * wave->rate) << entry.path() << n;
        int peak = 0, step = 0;
        for (size_t i = 1; i < n; ++i)
            peak = std::max(peak, std::abs(int(x[i]))), step = std::max(step, std::abs(x[i] - x[i - 1]));
        EXPECT_TRUE(peak > 32767 / 4 && peak < 32767 * 9 / 10) << entry.path() << " peaks at " << peak;
        if (entry.path().filename() == "engine.wav")
            EXPECT_LE(std::abs(x[0] - x[n - 1]), step) << "a seam where the loop turns";
        else
            EXPECT_TRUE(std::abs(int(x.front())) < 100 && std::abs(int(x.back())) < 100) << entry.path();
    }

    // The prize picture's top eighth stands above the screen: nothing of the trophy may be there.
    const ag::Image prize = ag::paintPrizePicture(64);
    for (int row = 56; row < 64; ++row)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(prize.get(x, row).a, 0.0f) << "the trophy reaches row " << row;

    const ProcessResult usage = runProcess({WINDLAP_ASSETGEN}, 10s);
    EXPECT_EQ(usage.exitStatus, 2) << usage;
    EXPECT_NE(usage.err.find("usage: assetgen RUN_FOLDER"), std::string::npos) << usage;
    const std::string blocked = makeTempFolder("assetgen-blocked");
    writeTextFile(blocked + "/Models", "in the way"); // so the folder cannot be made
    const ProcessResult refused = runProcess({WINDLAP_ASSETGEN, blocked}, 60s);
    EXPECT_EQ(refused.exitStatus, 1) << refused;
    EXPECT_EQ(refused.err.rfind("assetgen: cannot make the folder " + blocked + "/Models", 0), 0u) << refused;

    // The COLLADA writer refuses bad models with a reason and keeps the old file.
    ag::MeshData triangle{"zulu", "shiny", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3, glm::vec3(0, 0, 1)},
                          {},     {}};
    triangle.uvs = {{0, 0}, {1, 0}, {0, 1}}, triangle.indices = {0, 1, 2};
    ag::Model good{{{"shiny", glm::vec3(0.9f), glm::vec3(0.8f), 32.0f}}, {triangle, triangle}};
    good.meshes[1].name = "alpha";
    const std::string path = blocked + "/model.dae";
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
        {"no vertices or no triangles", [](ag::Model& m) { m.meshes[1].indices.clear(); }}};
    for (const auto& [reason, spoil] : cases) {
        ag::Model model = good;
        spoil(model);
        EXPECT_THAT(
            [&] { ag::ColladaWriter::write(model, path); },
            testing::ThrowsMessage<std::runtime_error>(path + ": " + ag::ColladaWriter::check(model)));
        EXPECT_NE(ag::ColladaWriter::check(model).find(reason), std::string::npos) << reason;
        EXPECT_EQ(readFile(path), before) << "a refused model changed the file on disk";
    }
    EXPECT_FALSE(fs::exists(path + ".partial"));
    EXPECT_THAT([&] { ag::ColladaWriter::write(good, path + "/no/such/folder.dae"); },
                testing::ThrowsMessage<std::runtime_error>(testing::StartsWith("cannot create")));
}

// Also the levels of detail and the worn hat the golden frames do not show: wound toward the normals, with
// the specular colour (Assimp would fill in 0.4 grey) and shininess (the game would take 0) written.
TEST(ModelFiles, NamedMeshesWoundTowardTheirNormalsTerrainWithoutStepsAndPlacementsThatEnd) {
    using Names = std::set<std::string>;
    const std::pair<const char*, Names> models[] = {
        {"Models/terrain.dae", Names(Terrain::tileNames.begin(), Terrain::tileNames.end())},
        {"Models/Ring.dae", {"Ring_lod0", "Ring_lod1", "Ring_lod2"}},
        {"Models/fa-18.dae",
         {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right", "topWing_left",
          "topWing_right", "hat", "window"}},
        {"Models/boost.dae", {"can", "can_low", "effect"}},
        {"Models/hat.dae", {"hat", "hat_low"}}};
    std::map<std::string, unsigned> faces; // the pickup's hat is read after the worn one
    float hatToCanopy = 1e9f;
    const glm::vec3 hatPivot = ag::aircraftPivotParts.back().pivot;
    for (const auto& [file, names] : models) {
        SCOPED_TRACE(file);
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(runDir + file, modelimport::postProcessFlags);
        ASSERT_TRUE(scene != nullptr) << importer.GetErrorString();
        Names found;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
            const aiMesh* mesh = scene->mMeshes[m];
            const std::string name = mesh->mName.C_Str();
            found.insert(name);
            ASSERT_TRUE(mesh->mNormals != nullptr && mesh->mNumFaces > 0) << name;
            for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
                const unsigned* k = mesh->mFaces[f].mIndices;
                const auto p = [&](int c) { return glm::make_vec3(&mesh->mVertices[k[c]].x); };
                const auto n = [&](int c) { return glm::make_vec3(&mesh->mNormals[k[c]].x); };
                ASSERT_NEAR(glm::length(n(0)), 1.0f, 1e-3f) << name << f;
                ASSERT_GT(glm::dot(glm::cross(p(1) - p(0), p(2) - p(0)), n(0) + n(1) + n(2)), 0.0f) << name;
                for (int c = 0; c < 3 && name == "window"; ++c)
                    hatToCanopy = std::min(hatToCanopy, glm::distance(p(c), hatPivot));
            }
            faces[name] = mesh->mNumFaces;
            const aiMaterial& material = *scene->mMaterials[mesh->mMaterialIndex];
            aiColor4D colour;
            float shininess = 0.0f;
            EXPECT_TRUE(material.Get(AI_MATKEY_COLOR_SPECULAR, colour) == AI_SUCCESS &&
                        material.Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS && shininess >= 1.0f)
                << name;
        }
        EXPECT_TRUE(std::includes(found.begin(), found.end(), names.begin(), names.end()));
    }
    EXPECT_TRUE(faces["Ring_lod0"] > faces["Ring_lod1"] && faces["can_low"] > faces["can"] &&
                faces["hat"] > faces["hat_low"]);
    EXPECT_LT(hatToCanopy, 0.15f) << "the worn hat, placed at its pivot, rests on the canopy top";

    // Terrain, world (10x, 10z - 300, -10y). Over the centre piece the mesas refuse some first placements
    // (rings at (a, -h, b), pickups at (a, h, -b)), most land at once, and the highest height is always free.
    const ag::Model terrain = ag::makeTerrainModel();
    std::map<std::pair<float, float>, std::pair<float, glm::vec3>> seen;
    int shared = 0;
    float highest[2] = {-1e9f, -1e9f};
    for (const ag::MeshData& mesh : terrain.meshes)
        for (size_t i = 0; i < mesh.positions.size(); ++i) {
            const glm::vec3 v = mesh.positions[i], n = mesh.normals[i];
            ASSERT_TRUE(v.z >= 0.0f && v.z <= 48.0f) << mesh.name;
            const auto [it, fresh] = seen.emplace(std::make_pair(v.x, v.y), std::make_pair(v.z, n));
            ASSERT_TRUE(fresh || (it->second.first == v.z && glm::distance(it->second.second, n) < 1e-5f))
                << "a step or seam at model " << v.x << ", " << v.y;
            shared += !fresh;
            const float height = 10.0f * v.z - 300.0f, x = 10.0f * v.x, z = -10.0f * v.y;
            if (glm::length(glm::vec2(x, z)) <= 350.0f)
                highest[0] = std::max(highest[0], height);
            if (std::abs(x) <= 150.0f && z >= -200.0f && z <= 3000.0f)
                highest[1] = std::max(highest[1], height);
        }
    EXPECT_GT(shared, 500) << "pieces on offset grids share no edge";
    EXPECT_TRUE(highest[0] <= -50.0f && highest[1] <= -60.0f) << highest[0] << " " << highest[1];

    const auto grid = std::find_if(terrain.meshes.begin(), terrain.meshes.end(),
                                   [](const ag::MeshData& mesh) { return mesh.name == "Grid"; });
    PhysxHandler physics;
    auto* centre = physics.createTerrainPiece(grid->positions, grid->indices, 10.0f, {0.0f, -300.0f, 0.0f});
    auto buried = [&](glm::vec3 at) { return PhysxHandler::raycastUp(centre, centre, at).has_value(); };
    int draws = 0, refused[2] = {0, 0};
    for (int ms = 0; ms < 60000; ms += 20, ++draws) { // a minute's clock readings
        const auto p = computePlacement(ms / 1000, ms % 1000, randomWord(), randomWord());
        refused[0] += buried({p.a, -p.h, p.b}), refused[1] += buried({p.a, p.h, -p.b});
        ASSERT_FALSE(buried({p.a, 19.8f, -p.b}) || buried({p.a, 19.8f, p.b})) << ms << " ms";
    }
    for (int r : refused)
        EXPECT_TRUE(r >= draws * 3 / 100 && r <= draws / 2) << r << " of " << draws;
}

} // namespace
