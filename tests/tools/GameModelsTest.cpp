// The authoring rules every model file follows, and the ring, boost can and hat against the sizes and names
// the game relies on.
#include "tools/ModelChecks.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class EveryModelFile : public testing::TestWithParam<const char*> {};

TEST_P(EveryModelFile, HasUniqueNamesTrianglesNormalsAndCompleteMaterials) {
    ImportedModel model(runFile(GetParam()));
    ASSERT_TRUE(model.loaded()) << model.error();
    const std::vector<std::string> names = model.meshNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size())
        << "two meshes with one name: the import merged or split something";
    for (unsigned i = 0; i < model.scene->mNumMeshes; ++i) {
        const aiMesh* mesh = model.scene->mMeshes[i];
        SCOPED_TRACE(mesh->mName.C_Str());
        EXPECT_GT(mesh->mNumFaces, 0u);
        EXPECT_EQ(faceProblems(mesh), "");
        const aiMaterial* material = model.material(mesh);
        // Assimp fills in 0.4 grey for an omitted specular colour and the game 0 for a missing key: write
        // both.
        EXPECT_TRUE(hasColor(material, "$clr.diffuse"));
        EXPECT_TRUE(hasColor(material, "$clr.specular"));
        float shininess = 0.0f;
        EXPECT_EQ(aiGetMaterialFloatArray(material, "$mat.shininess", 0, 0, &shininess, nullptr), AI_SUCCESS);
        EXPECT_GE(shininess, 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(GeneratedModels, EveryModelFile,
                         testing::Values("Models/terrain.dae", "Models/Ring.dae", "Models/fa-18.dae",
                                         "Models/boost.dae", "Models/hat.dae"));

TEST(RingModel, LevelsOfDetailFitTheTriggerAndGetCoarserWithDistance) {
    ImportedModel ring(runFile("Models/Ring.dae"));
    ASSERT_TRUE(ring.loaded()) << ring.error();
    // Three levels cover 0..500 units; fewer would leave a far ring at a nearer level's detail.
    ASSERT_GE(ring.scene->mNumMeshes, 3u);
    unsigned previousFaces = ~0u;
    for (unsigned i = 0; i < ring.scene->mNumMeshes; ++i) {
        const aiMesh* level = ring.scene->mMeshes[i];
        SCOPED_TRACE(level->mName.C_Str());
        EXPECT_LE(reachOf(level), 11.0f) << "outside the trigger and culling sphere of radius 11";
        EXPECT_LT(level->mNumFaces, previousFaces) << "mesh 0 must be the most detailed";
        previousFaces = level->mNumFaces;
        // A gate opening along model y: thin along y, wide in x and z, so the game's +pi/2 turn stands it up.
        const Bounds b = boundsOf(level);
        EXPECT_LT(b.max.y - b.min.y, 4.0f);
        EXPECT_GT(b.max.x - b.min.x, 18.0f);
        EXPECT_GT(b.max.z - b.min.z, 18.0f);
        EXPECT_NEAR((b.max.x + b.min.x) / 2, 0.0f, 0.2f);
        EXPECT_NEAR((b.max.z + b.min.z) / 2, 0.0f, 0.2f);
        // There is a hole to fly through: no vertex near the axis.
        for (unsigned v = 0; v < level->mNumVertices; ++v)
            ASSERT_GT(glm::length(glm::vec2(level->mVertices[v].x, level->mVertices[v].z)), 6.0f);
    }
}

TEST(BoostModel, CanAndEffectFitTheTriggerAndTheNearCanCarriesTheDetail) {
    ImportedModel boost(runFile("Models/boost.dae"));
    ASSERT_TRUE(boost.loaded()) << boost.error();
    const aiMesh* can = boost.mesh("can");
    const aiMesh* canLow = boost.mesh("can_low");
    const aiMesh* effect = boost.mesh("effect");
    ASSERT_NE(can, nullptr);
    ASSERT_NE(canLow, nullptr);
    ASSERT_NE(effect, nullptr);
    // Scale 15 and a trigger of radius 10: 0.667 model units; the effect tumbles about the origin.
    for (const aiMesh* mesh : {can, canLow, effect})
        EXPECT_LE(reachOf(mesh), 10.0f / 15.0f) << mesh->mName.C_Str();
    // The game draws "can_low" when the aircraft is near.
    EXPECT_GE(canLow->mNumFaces, can->mNumFaces);
    for (const aiMesh* mesh : {can, canLow}) {
        const Bounds b = boundsOf(mesh);
        EXPECT_GT(b.max.z - b.min.z, 1.2f * (b.max.x - b.min.x)) << "the can must stand along model z";
        EXPECT_NEAR(b.max.z + b.min.z, 0.0f, 0.05f) << "centred on the trigger";
    }
    // Drawn with "glow" 1: bright colours shine.
    for (const aiMesh* mesh : {can, effect}) {
        const glm::vec3 diffuse = colorOf(boost.material(mesh), "$clr.diffuse");
        EXPECT_GE(std::max({diffuse.r, diffuse.g, diffuse.b}), 0.8f) << mesh->mName.C_Str();
    }
}

TEST(HatModel, BothDetailsFitTheTriggerAndStandUpright) {
    ImportedModel hat(runFile("Models/hat.dae"));
    ASSERT_TRUE(hat.loaded()) << hat.error();
    const aiMesh* near = hat.mesh("hat");
    const aiMesh* far = hat.mesh("hat_low");
    ASSERT_NE(near, nullptr);
    ASSERT_NE(far, nullptr);
    EXPECT_GE(near->mNumFaces, far->mNumFaces);
    for (const aiMesh* mesh : {near, far}) {
        SCOPED_TRACE(mesh->mName.C_Str());
        EXPECT_LE(reachOf(mesh), 1.0f) << "scale 10 and a trigger of radius 10";
        const Bounds b = boundsOf(mesh);
        // Brim at the bottom: the widest part lies in the lowest tenth of the height.
        float widestZ = 0.0f, widest = 0.0f;
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const float r = glm::length(glm::vec2(mesh->mVertices[v].x, mesh->mVertices[v].y));
            if (r > widest) {
                widest = r;
                widestZ = mesh->mVertices[v].z;
            }
        }
        EXPECT_LT(widestZ, b.min.z + 0.1f * (b.max.z - b.min.z));
        EXPECT_NEAR(b.max.z + b.min.z, 0.0f, 0.1f);
    }
}

} // namespace
