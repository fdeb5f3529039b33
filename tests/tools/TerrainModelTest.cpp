// The terrain file against what the game needs of it: nine pieces in slot order that tile one continuous
// surface, heights inside the culling spheres, and a centre piece on which the placement loop always finds a
// place, sometimes refuses one, and keeps the start area clear. The placement test is run with the game's
// Bullet mapping of a piece (local scaling 10, the -pi/2 turn about x, raised by -300).
#include "tools/ModelChecks.h"

#include <btBulletCollisionCommon.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace {

struct Slot {
    const char* name;
    float centreX;
    float centreY;
};
const Slot slots[9] = {{"Grid_right", 0, 200},         {"Grid_bottomright", 200, 200},
                       {"Grid_bottomleft", 200, -200}, {"Grid_topright", -200, 200},
                       {"Grid_topleft", -200, -200},   {"Grid_top", -200, 0},
                       {"Grid_bottom", 200, 0},        {"Grid", 0, 0},
                       {"Grid_left", 0, -200}};

// World height of a model vertex and its world x, z (model (x, y, z) -> world (10x, 10z - 300, -10y)).
float worldHeight(const aiVector3D& v) {
    return 10.0f * v.z - 300.0f;
}
glm::vec2 worldPlace(const aiVector3D& v) {
    return {10.0f * v.x, -10.0f * v.y};
}

class TerrainModelTest : public testing::Test {
protected:
    static void SetUpTestSuite() { terrain = std::make_unique<ImportedModel>(runFile("Models/terrain.dae")); }
    static void TearDownTestSuite() { terrain.reset(); }
    void SetUp() override { ASSERT_TRUE(terrain->loaded()) << terrain->error(); }

    const aiMesh* piece(const char* name) const { return terrain->mesh(name); }

    static std::unique_ptr<ImportedModel> terrain;
};
std::unique_ptr<ImportedModel> TerrainModelTest::terrain;

TEST_F(TerrainModelTest, HasTheNinePiecesInSlotOrderEachOnItsSquare) {
    std::vector<std::string> expected;
    for (const Slot& slot : slots)
        expected.emplace_back(slot.name);
    ASSERT_EQ(terrain->meshNames(), expected);
    for (const Slot& slot : slots) {
        const Bounds b = boundsOf(piece(slot.name));
        EXPECT_NEAR(b.min.x, slot.centreX - 100.0f, 1e-3f) << slot.name;
        EXPECT_NEAR(b.max.x, slot.centreX + 100.0f, 1e-3f) << slot.name;
        EXPECT_NEAR(b.min.y, slot.centreY - 100.0f, 1e-3f) << slot.name;
        EXPECT_NEAR(b.max.y, slot.centreY + 100.0f, 1e-3f) << slot.name;
        // Culling sphere of radius 1500 around the piece centre at world height -300 holds model z 0..48.
        EXPECT_GE(b.min.z, 0.0f) << slot.name;
        EXPECT_LE(b.max.z, 48.0f) << slot.name;
    }
}

TEST_F(TerrainModelTest, PiecesFaceUpAndMeetWithoutGapsOrSeams) {
    std::map<std::pair<float, float>, std::pair<float, glm::vec3>> seen;
    int shared = 0;
    for (const Slot& slot : slots) {
        const aiMesh* mesh = piece(slot.name);
        EXPECT_EQ(faceProblems(mesh), "") << slot.name;
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
            const aiVector3D& v = mesh->mVertices[i];
            const glm::vec3 normal = toGlm(mesh->mNormals[i]);
            ASSERT_GT(normal.z, 0.0f) << slot.name << " has a normal pointing down";
            const auto key = std::make_pair(v.x, v.y);
            const auto [it, fresh] = seen.emplace(key, std::make_pair(v.z, normal));
            if (fresh)
                continue;
            ASSERT_EQ(it->second.first, v.z)
                << "a step in the ground at model (" << v.x << ", " << v.y << ")";
            ASSERT_LT(glm::length(it->second.second - normal), 1e-5f)
                << "a lighting seam at (" << v.x << ", " << v.y << ")";
            ++shared;
        }
    }
    // Four outer edges of the centre piece alone share hundreds of vertices; an offset grid would share none.
    EXPECT_GT(shared, 1000);
}

TEST_F(TerrainModelTest, HeightsKeepThePlacementBandAndTheStartClear) {
    float centreMax = -1e9f, startMax = -1e9f, corridorMax = -1e9f;
    int mesaVertices = 0;
    for (const Slot& slot : slots) {
        const aiMesh* mesh = piece(slot.name);
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
            const float height = worldHeight(mesh->mVertices[i]);
            const glm::vec2 place = worldPlace(mesh->mVertices[i]);
            if (std::string(slot.name) == "Grid") {
                centreMax = std::max(centreMax, height);
                if (height >= -10.0f && height <= 5.0f) {
                    ++mesaVertices;
                    EXPECT_GT(glm::length(place), 350.0f) << "a table top in the start area";
                }
            }
            if (glm::length(place) <= 350.0f)
                startMax = std::max(startMax, height);
            if (std::abs(place.x) <= 150.0f && place.y >= -200.0f && place.y <= 3000.0f)
                corridorMax = std::max(corridorMax, height);
        }
    }
    // Above +20 every height of the band would be refused and the placement loop would spin.
    EXPECT_LE(centreMax, 15.0f);
    EXPECT_LE(startMax, -50.0f);
    EXPECT_LE(corridorMax, -60.0f);
    // Broad flat tops inside the band: some placements are refused, the loop then tries again.
    EXPECT_GT(mesaVertices, 100);
}

// The centre piece as the physics handler builds it, and the world update's upward ray test.
class CentrePieceRays : public TerrainModelTest {
protected:
    void SetUp() override {
        TerrainModelTest::SetUp();
        const aiMesh* grid = piece("Grid");
        ASSERT_NE(grid, nullptr);
        mesh = std::make_unique<btTriangleMesh>(true, false);
        for (unsigned f = 0; f < grid->mNumFaces; ++f) {
            const unsigned* idx = grid->mFaces[f].mIndices;
            auto point = [&](unsigned k) {
                const aiVector3D& v = grid->mVertices[idx[k]];
                return btVector3(v.x, v.y, v.z);
            };
            mesh->addTriangle(point(0), point(1), point(2), false);
        }
        shape = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true);
        shape->setLocalScaling(btVector3(10, 10, 10));
        object.setCollisionShape(shape.get());
        object.setWorldTransform(
            btTransform(btQuaternion(-0.70710677f, 0, 0, 0.70710677f), btVector3(0, -300, 0)));
    }

    bool terrainAbove(float x, float y, float z) {
        const btVector3 from(x, y, z);
        const btVector3 to = from + btVector3(0, 200, 0);
        btCollisionWorld::ClosestRayResultCallback hit(from, to);
        hit.m_flags = 0; // back faces too: the ray comes from below
        btCollisionWorld::rayTestSingle(btTransform(btQuaternion::getIdentity(), from),
                                        btTransform(btQuaternion::getIdentity(), to), &object, shape.get(),
                                        object.getWorldTransform(), hit);
        return hit.hasHit();
    }

    std::unique_ptr<btTriangleMesh> mesh;
    std::unique_ptr<btBvhTriangleMeshShape> shape;
    btCollisionObject object;
};

TEST_F(CentrePieceRays, EveryPlaceAcceptsSomeHeightAndSomePlacesRefuseLowOnes) {
    int refusedLow = 0, keptHigh = 0, refusedLowKeptHigh = 0;
    // The places the game can choose: a, b within +-999 (world x = a, z = -b), heights -20..20.
    for (float a = -999.0f; a <= 999.0f; a += 37.0f) {
        for (float b = -999.0f; b <= 999.0f; b += 37.0f) {
            const bool low = terrainAbove(a, -20.0f, -b);
            const bool high = terrainAbove(a, 20.0f, -b);
            EXPECT_FALSE(high) << "every height is refused at a = " << a << ", b = " << b;
            refusedLow += low;
            keptHigh += !high;
            refusedLowKeptHigh += low && !high;
        }
    }
    EXPECT_GT(refusedLow, 0) << "no place is ever refused: the mesas are missing";
    EXPECT_GT(refusedLowKeptHigh, 0);
    // Refusals stay the exception: most draws land on the first try.
    EXPECT_LT(refusedLow, keptHigh / 4);
}

TEST_F(CentrePieceRays, TheStartAreaAndEveryBandHeightOverItAreFree) {
    for (float x = -350.0f; x <= 350.0f; x += 25.0f)
        for (float z = -350.0f; z <= 350.0f; z += 25.0f)
            if (glm::length(glm::vec2(x, z)) <= 350.0f) {
                for (float y : {-20.0f, 0.0f, 20.0f})
                    EXPECT_FALSE(terrainAbove(x, y, z))
                        << "ground above (" << x << ", " << y << ", " << z << ")";
            }
    // Deep under the plain the ground is found: the mapping itself is right.
    EXPECT_TRUE(terrainAbove(0.0f, -200.0f, 0.0f));
}

} // namespace
