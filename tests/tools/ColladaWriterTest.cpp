#include "tools/assetgen/ColladaWriter.h"
#include "tools/assetgen/MeshBuilder.h"

#include "support/TestModels.h"
#include "tools/ModelChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ag = tavo::assetgen;

namespace {

ag::MeshData triangleMesh(const std::string& name, const std::string& material, float z) {
    ag::MeshData mesh;
    mesh.name = name;
    mesh.material = material;
    mesh.positions = {{0, 0, z}, {1, 0, z}, {0, 1, z}, {1, 1, z}};
    // Distinct normals and UVs per vertex, so a mix-up of indices shows.
    mesh.normals = {glm::normalize(glm::vec3(0.1f, 0, 1)), glm::normalize(glm::vec3(0, 0.1f, 1)),
                    glm::normalize(glm::vec3(-0.1f, 0, 1)), glm::vec3(0, 0, 1)};
    mesh.uvs = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {0.25f, 0.75f}};
    mesh.indices = {0, 1, 2, 1, 3, 2};
    return mesh;
}

ag::Model twoMeshModel() {
    ag::Model model;
    model.materials.push_back({"shiny", {0.9f, 0.7f, 0.1f}, {0.8f, 0.6f, 0.4f}, 32.0f});
    model.materials.push_back({"dull", {0.1f, 0.2f, 0.3f}, {0.0f, 0.0f, 0.0f}, 4.0f});
    // Not in alphabetical order: the order written must be the order imported.
    model.meshes.push_back(triangleMesh("zulu_part", "shiny", 0.0f));
    model.meshes.push_back(triangleMesh("alpha", "dull", 1.0f));
    model.meshes.back().uvs.clear();
    return model;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class ColladaWriterTest : public testing::Test {
protected:
    std::string folder = makeTempFolder("colladawriter");
    std::string path = folder + "/model.dae";
};

TEST_F(ColladaWriterTest, ImportsWithTheWrittenNamesOrderMaterialsAndVertexData) {
    const ag::Model model = twoMeshModel();
    ag::ColladaWriter::write(model, path);
    ImportedModel imported(path);
    ASSERT_TRUE(imported.loaded()) << imported.error();

    EXPECT_EQ(imported.meshNames(), (std::vector<std::string>{"zulu_part", "alpha"}));
    const aiMesh* zulu = imported.mesh("zulu_part");
    ASSERT_NE(zulu, nullptr);
    EXPECT_EQ(colorOf(imported.material(zulu), "$clr.diffuse"), glm::vec3(0.9f, 0.7f, 0.1f));
    EXPECT_EQ(colorOf(imported.material(zulu), "$clr.specular"), glm::vec3(0.8f, 0.6f, 0.4f));
    float shininess = 0.0f;
    ASSERT_EQ(aiGetMaterialFloatArray(imported.material(zulu), "$mat.shininess", 0, 0, &shininess, nullptr),
              AI_SUCCESS);
    EXPECT_EQ(shininess, 32.0f);
    // Explicit black specular stays black (an omitted one would come back as 0.4 grey).
    EXPECT_EQ(colorOf(imported.material(imported.mesh("alpha")), "$clr.specular"), glm::vec3(0.0f));

    // Assimp unrolls the corners: corner k of face f carries exactly the data of the index written there.
    const ag::MeshData& source = model.meshes[0];
    ASSERT_EQ(zulu->mNumFaces, 2u);
    ASSERT_NE(zulu->mTextureCoords[0], nullptr);
    EXPECT_EQ(zulu->mNumUVComponents[0], 2u);
    for (unsigned f = 0; f < zulu->mNumFaces; ++f) {
        ASSERT_EQ(zulu->mFaces[f].mNumIndices, 3u);
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned corner = zulu->mFaces[f].mIndices[k];
            const std::uint32_t written = source.indices[f * 3 + k];
            EXPECT_EQ(toGlm(zulu->mVertices[corner]), source.positions[written])
                << "face " << f << " corner " << k;
            EXPECT_LT(glm::length(toGlm(zulu->mNormals[corner]) - source.normals[written]), 1e-6f);
            EXPECT_EQ(zulu->mTextureCoords[0][corner].x, source.uvs[written].x);
            EXPECT_EQ(zulu->mTextureCoords[0][corner].y, source.uvs[written].y) << "v must not be flipped";
        }
    }
    EXPECT_EQ(imported.mesh("alpha")->mTextureCoords[0], nullptr);
}

TEST_F(ColladaWriterTest, MeshesSharingAMaterialAreNotMergedByTheGamesImport) {
    ag::Model model = twoMeshModel();
    model.meshes[1].material = "shiny";
    ag::ColladaWriter::write(model, path);
    ImportedModel imported(path);
    EXPECT_EQ(imported.meshNames(), (std::vector<std::string>{"zulu_part", "alpha"}));
}

TEST_F(ColladaWriterTest, MeshNamesNeverCollideWithTheWritersOwnIds) {
    ag::Model model = twoMeshModel();
    // Names a careless writer would also use for the scene, a node, a material or an effect.
    model.meshes[0].name = "scene";
    model.meshes[1].name = "shiny";
    model.meshes.push_back(triangleMesh("visual", "dull", 2.0f));
    ag::ColladaWriter::write(model, path);
    ImportedModel imported(path);
    ASSERT_TRUE(imported.loaded()) << imported.error();
    EXPECT_EQ(imported.meshNames(), (std::vector<std::string>{"scene", "shiny", "visual"}));
    EXPECT_EQ(colorOf(imported.material(imported.mesh("shiny")), "$clr.diffuse"),
              glm::vec3(0.1f, 0.2f, 0.3f));
}

TEST_F(ColladaWriterTest, ValuesSurviveTheTextRoundTripExactly) {
    ag::Model model = twoMeshModel();
    model.meshes[0].positions[3] = {1e-7f, -123456.79f, 0.1f};
    model.meshes[0].uvs[3] = {1.0f / 3.0f, 2.0f / 3.0f};
    ag::ColladaWriter::write(model, path);
    ImportedModel imported(path);
    const aiMesh* zulu = imported.mesh("zulu_part");
    ASSERT_NE(zulu, nullptr);
    bool found = false;
    for (unsigned i = 0; i < zulu->mNumVertices; ++i)
        if (toGlm(zulu->mVertices[i]) == model.meshes[0].positions[3]) {
            found = true;
            EXPECT_EQ(zulu->mTextureCoords[0][i].x, 1.0f / 3.0f);
            EXPECT_EQ(zulu->mTextureCoords[0][i].y, 2.0f / 3.0f);
        }
    EXPECT_TRUE(found) << "the written float did not read back bit for bit";
}

TEST_F(ColladaWriterTest, RefusesBadModelsWithAClearReasonAndKeepsTheOldFile) {
    ag::ColladaWriter::write(twoMeshModel(), path);
    const std::string before = readFile(path);

    struct Case {
        const char* expected;
        void (*spoil)(ag::Model&);
    };
    const Case cases[] = {
        {"no meshes", [](ag::Model& m) { m.meshes.clear(); }},
        {"used twice", [](ag::Model& m) { m.meshes[1].name = "zulu_part"; }},
        {"not a plain identifier", [](ag::Model& m) { m.meshes[0].name = "can low\"/>"; }},
        {"not a plain identifier", [](ag::Model& m) { m.meshes[0].name = ""; }},
        {"not defined", [](ag::Model& m) { m.meshes[0].material = "gold"; }},
        {"past the last", [](ag::Model& m) { m.meshes[0].indices[4] = 4; }},
        {"not a multiple of 3", [](ag::Model& m) { m.meshes[0].indices.pop_back(); }},
        {"normals for", [](ag::Model& m) { m.meshes[0].normals.pop_back(); }},
        {"texture coordinates for",
         [](ag::Model& m) {
             m.meshes[0].uvs.push_back({0, 0});
         }},
        {"not a finite number", [](ag::Model& m) { m.meshes[0].positions[1].y = std::nanf(""); }},
        {"not a finite number", [](ag::Model& m) { m.materials[0].shininess = INFINITY; }},
        {"no vertices or no triangles", [](ag::Model& m) { m.meshes[1].indices.clear(); }},
        {"used twice", [](ag::Model& m) { m.materials[1].id = "shiny"; }},
    };
    for (const Case& c : cases) {
        ag::Model model = twoMeshModel();
        c.spoil(model);
        EXPECT_NE(ag::ColladaWriter::check(model).find(c.expected), std::string::npos)
            << "expected \"" << c.expected << "\", got \"" << ag::ColladaWriter::check(model) << "\"";
        try {
            ag::ColladaWriter::write(model, path);
            ADD_FAILURE() << "a model with \"" << c.expected << "\" was written";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
        EXPECT_EQ(readFile(path), before) << "a refused model changed the file on disk";
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
}

TEST_F(ColladaWriterTest, AFolderThatCannotBeWrittenGivesAnErrorNamingThePath) {
    const std::string missing = folder + "/no/such/folder/model.dae";
    try {
        ag::ColladaWriter::write(twoMeshModel(), missing);
        FAIL() << "writing into a missing folder succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("no/such/folder"), std::string::npos) << error.what();
    }
}

// The builder's primitives each wind every triangle toward its normals; checked through a written and
// re-imported file, the way the game will see them.
TEST_F(ColladaWriterTest, BuilderPrimitivesComeBackWoundTowardTheirNormals) {
    ag::MeshBuilder builder("shapes", "shiny");
    const ag::UvMap uv = ag::constantUv({0.5f, 0.5f});
    builder.addSlab({{0, 0}, {0, 2}, {2, 2}, {2, 0}}, -0.1f, 0.1f, uv); // clockwise outline on purpose
    builder.addSlab({{0, 0}, {1, 0}, {0, 1}}, 0.0f, 0.2f, uv, {5, 0, 0},
                    glm::mat3(glm::vec3(0, 1, 0), glm::vec3(0, 0, 1), glm::vec3(1, 0, 0)));
    builder.addLathe({{0.0f, -1.0f}, {1.0f, -1.0f}, {0.8f, 1.0f}, {0.0f, 1.0f}}, 12, {0, 5, 0}, uv);
    builder.addTorus({0, -5, 0}, glm::mat3(1.0f), 2.0f, 0.5f, 16, 8, uv);
    builder.addEllipsoid({5, 5, 0}, {1.0f, 2.0f, 0.5f}, 2, uv);
    builder.addEllipsoid({-5, 5, 0}, {1.0f, 1.0f, 1.0f}, 1, uv, true);
    ag::Model model;
    model.materials.push_back({"shiny", glm::vec3(1), glm::vec3(1), 8.0f});
    model.meshes.push_back(builder.build());
    ag::ColladaWriter::write(model, path);

    ImportedModel imported(path);
    ASSERT_TRUE(imported.loaded()) << imported.error();
    const aiMesh* shapes = imported.mesh("shapes");
    ASSERT_NE(shapes, nullptr);
    EXPECT_EQ(shapes->mNumFaces, model.meshes[0].triangleCount());
    EXPECT_EQ(faceProblems(shapes), "");

    // The closed primitives enclose their centre: every outward normal points away from it.
    const glm::vec3 torusCentre(0, -5, 0);
    for (unsigned i = 0; i < shapes->mNumVertices; ++i) {
        const glm::vec3 p = toGlm(shapes->mVertices[i]);
        if (glm::length(p - glm::vec3(5, 5, 0)) < 2.5f && p.x > 3.5f) {
            EXPECT_GT(glm::dot(toGlm(shapes->mNormals[i]), p - glm::vec3(5, 5, 0)), 0.0f);
        }
        if (glm::length(p - torusCentre) < 3.0f) {
            const glm::vec3 ringPoint =
                glm::normalize(glm::vec3(p.x, 0, p.z) - glm::vec3(0)) * 2.0f + torusCentre;
            EXPECT_GT(glm::dot(toGlm(shapes->mNormals[i]), p - glm::vec3(ringPoint.x, -5, ringPoint.z)),
                      0.0f);
        }
    }
}

TEST_F(ColladaWriterTest, BuilderDropsTrianglesWithoutAreaAndRefusesUnknownVertices) {
    ag::MeshBuilder builder("flat", "shiny");
    const auto a = builder.addVertex({0, 0, 0}, {0, 0, 1});
    const auto b = builder.addVertex({1, 0, 0}, {0, 0, 1});
    const auto c = builder.addVertex({2, 0, 0}, {0, 0, 1});
    builder.addTriangle(a, b, c);
    EXPECT_TRUE(builder.build().indices.empty());
    EXPECT_THROW(builder.addTriangle(a, b, 7), std::out_of_range);
    EXPECT_THROW(builder.addSlab({{0, 0}, {1, 1}}, 0.0f, 1.0f, ag::constantUv({0, 0})),
                 std::invalid_argument);
    EXPECT_THROW(builder.addTorus({}, glm::mat3(1.0f), 1.0f, 2.0f, 8, 8, ag::constantUv({0, 0})),
                 std::invalid_argument);
}

} // namespace
