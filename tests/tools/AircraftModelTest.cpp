// The aircraft model and its two textures against the game: the nine part names with texture coordinates, the
// hinged parts written around their pivots, the hat resting on the canopy, and UVs that land on paint.
#include "tools/ModelChecks.h"

#include <IL/il.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

struct Pivot {
    const char* name;
    glm::vec3 at;
};
const Pivot pivots[] = {{"wing_left", {-3.02748f, -3.51338f, 0.18247f}},
                        {"wing_right", {3.02748f, -3.51338f, 0.18247f}},
                        {"rearWing_left", {-1.82155f, -6.70701f, 0.01233f}},
                        {"rearWing_right", {1.82155f, -6.70701f, 0.01233f}},
                        {"topWing_left", {-1.21618f, -5.60603f, 1.4479f}},
                        {"topWing_right", {1.22037f, -5.60356f, 1.45777f}},
                        {"hat", {0.0f, 2.87214f, 1.31086f}}};

// A texture read as the game's Texture reads it (lower-left origin), kept for sampling.
struct LoadedTexture {
    int width = 0, height = 0, format = 0;
    std::vector<unsigned char> pixels;

    explicit LoadedTexture(const std::string& path) {
        ilInit();
        ILuint id = 0;
        ilGenImages(1, &id);
        ilBindImage(id);
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
        if (ilLoadImage(path.c_str())) {
            width = ilGetInteger(IL_IMAGE_WIDTH);
            height = ilGetInteger(IL_IMAGE_HEIGHT);
            format = ilGetInteger(IL_IMAGE_FORMAT);
            pixels.resize(static_cast<size_t>(width) * height * 4);
            ilCopyPixels(0, 0, 0, width, height, 1, IL_RGBA, IL_UNSIGNED_BYTE, pixels.data());
        }
        ilDeleteImages(1, &id);
    }
    // The texel a UV samples with repeat wrapping and nearest filtering.
    glm::ivec4 at(float u, float v) const {
        const int x = ((static_cast<int>(std::floor(u * width)) % width) + width) % width;
        const int y = ((static_cast<int>(std::floor(v * height)) % height) + height) % height;
        const unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

// Distance from a point to a mesh's surface, to within a tenth of its longest triangle edge (sampled).
float distanceToSurface(const aiMesh* mesh, const glm::vec3& point) {
    float closest = 1e9f;
    constexpr int steps = 10;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const glm::vec3 a = toGlm(mesh->mVertices[mesh->mFaces[f].mIndices[0]]);
        const glm::vec3 b = toGlm(mesh->mVertices[mesh->mFaces[f].mIndices[1]]);
        const glm::vec3 c = toGlm(mesh->mVertices[mesh->mFaces[f].mIndices[2]]);
        for (int i = 0; i <= steps; ++i)
            for (int j = 0; i + j <= steps; ++j) {
                const glm::vec3 p = a + (b - a) * (float(i) / steps) + (c - a) * (float(j) / steps);
                closest = std::min(closest, glm::length(p - point));
            }
    }
    return closest;
}

class AircraftModelTest : public testing::Test {
protected:
    static void SetUpTestSuite() { jet = std::make_unique<ImportedModel>(runFile("Models/fa-18.dae")); }
    static void TearDownTestSuite() { jet.reset(); }
    void SetUp() override { ASSERT_TRUE(jet->loaded()) << jet->error(); }

    static std::unique_ptr<ImportedModel> jet;
};
std::unique_ptr<ImportedModel> AircraftModelTest::jet;

TEST_F(AircraftModelTest, HasTheNinePartsEachWithTwoComponentUvs) {
    for (const char* name : {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right",
                             "topWing_left", "topWing_right", "hat", "window"}) {
        const aiMesh* mesh = jet->mesh(name);
        ASSERT_NE(mesh, nullptr) << name;
        // The textured program enables "uv" only when the mesh has a first texture-coordinate set.
        ASSERT_NE(mesh->mTextureCoords[0], nullptr) << name;
        EXPECT_EQ(mesh->mNumUVComponents[0], 2u) << name;
    }
    EXPECT_EQ(jet->scene->mNumMeshes, 9u);
}

TEST_F(AircraftModelTest, BodyFitsTheCapsuleWithTheNoseAlongYAndTheCanopyOnTop) {
    const Bounds body = boundsOf(jet->mesh("Plane"));
    // Capsule of radius 1.5 and half height 7 along y: the fuselage reaches y -8.5..8.5.
    EXPECT_GE(body.min.y, -8.5f - 1e-4f);
    EXPECT_LE(body.max.y, 8.5f + 1e-4f);
    EXPECT_GT(body.max.y, 8.0f);
    EXPECT_GT(body.max.x - body.min.x, 8.0f) << "wings";
    EXPECT_NEAR(body.max.x + body.min.x, 0.0f, 1e-3f) << "left and right alike";
    for (unsigned i = 0; i < jet->mesh("Plane")->mNumVertices; ++i) {
        const aiVector3D& v = jet->mesh("Plane")->mVertices[i];
        if (v.y > 7.5f) {
            EXPECT_LT(glm::length(glm::vec2(v.x, v.z)), 0.5f) << "the nose is not at +y";
        }
        if (std::abs(v.x) < 0.9f && std::abs(v.y) < 6.0f) {
            EXPECT_LT(glm::length(glm::vec2(v.x, v.z)), 1.5f) << "the fuselage leaves the capsule";
        }
    }
    const Bounds canopy = boundsOf(jet->mesh("window"));
    EXPECT_GT(canopy.min.y, 0.0f) << "the canopy sits ahead of the middle";
    EXPECT_GT(canopy.max.z, body.max.z - 2.0f);
}

TEST_F(AircraftModelTest, HingedPartsAreWrittenAroundTheirPivotsAndMeetTheBody) {
    const aiMesh* body = jet->mesh("Plane");
    for (const Pivot& pivot : pivots) {
        const aiMesh* part = jet->mesh(pivot.name);
        ASSERT_NE(part, nullptr) << pivot.name;
        SCOPED_TRACE(pivot.name);
        const Bounds b = boundsOf(part);
        // Around the pivot, not at the model place: written in model coordinates a flap would lie 3 units
        // out.
        EXPECT_LT(reachOf(part), 2.5f);
        const std::string name = pivot.name;
        if (name.rfind("wing_", 0) == 0) {
            EXPECT_GE(b.min.y, -1.0f - 1e-4f) << "a flap hangs aft of its hinge";
            EXPECT_LE(b.max.y, 1e-4f);
        }
        if (name.rfind("topWing_", 0) == 0) {
            EXPECT_GE(b.max.z, 1.5f) << "a fin stands up from its pivot";
        }
        if (name == "hat") {
            EXPECT_NEAR(b.min.z, 0.0f, 1e-4f) << "the brim rests at the pivot height";
            EXPECT_LE(reachOf(part), 0.8f);
            continue;
        }
        // Placed at its pivot the part meets the body: some point of the body's surface is near the pivot.
        EXPECT_LT(distanceToSurface(body, pivot.at), 1.5f);
    }
}

TEST_F(AircraftModelTest, TheHatRestsOnTheCanopyTop) {
    const aiMesh* canopy = jet->mesh("window");
    float topAtPivot = -1e9f;
    for (unsigned i = 0; i < canopy->mNumVertices; ++i) {
        const aiVector3D& v = canopy->mVertices[i];
        if (std::abs(v.x) < 0.15f && std::abs(v.y - 2.87214f) < 0.3f)
            topAtPivot = std::max(topAtPivot, v.z);
    }
    EXPECT_NEAR(topAtPivot, 1.31086f, 0.03f) << "the hat would float above or sink into the canopy";
}

TEST_F(AircraftModelTest, EveryUvLandsOnPaintAndTheGlowMapLightsPartOfTheBody) {
    const LoadedTexture colour(runFile("Textures/fa-18-uv.png"));
    const LoadedTexture glow(runFile("Textures/fa-18-glow.png"));
    ASSERT_GT(colour.width, 0);
    ASSERT_GT(glow.width, 0);
    int glowingCorners = 0;
    for (unsigned m = 0; m < jet->scene->mNumMeshes; ++m) {
        const aiMesh* mesh = jet->scene->mMeshes[m];
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
            const aiVector3D& uv = mesh->mTextureCoords[0][i];
            ASSERT_TRUE(uv.x >= 0.0f && uv.x <= 1.0f && uv.y >= 0.0f && uv.y <= 1.0f)
                << mesh->mName.C_Str() << " UV (" << uv.x << ", " << uv.y << ") leaves the atlas";
            const glm::ivec4 texel = colour.at(uv.x, uv.y);
            ASSERT_GT(texel.r + texel.g + texel.b, 0) << mesh->mName.C_Str() << " UV (" << uv.x << ", "
                                                      << uv.y << ") lies on the unpainted background";
            ASSERT_EQ(texel.a, 255);
            const glm::ivec4 shine = glow.at(uv.x, uv.y);
            glowingCorners += std::max({shine.r, shine.g, shine.b}) > 200;
        }
    }
    // The nozzles and wing-tip lights map onto the glowing squares; the rest stays dark.
    EXPECT_GT(glowingCorners, 50);

    int lit = 0;
    for (int y = 0; y < glow.height; ++y)
        for (int x = 0; x < glow.width; ++x) {
            const glm::ivec4 t = glow.at((x + 0.5f) / glow.width, (y + 0.5f) / glow.height);
            lit += t.r + t.g + t.b > 0;
        }
    EXPECT_LT(lit, glow.width * glow.height / 10) << "the glow mask must be black except what shines";
}

} // namespace
