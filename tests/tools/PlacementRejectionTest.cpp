// The generated centre piece against the placement rule itself: the clock's second and millisecond and the
// unseeded rand() heights, tested with the game's own upward ray through its physics world.
#include "scene/GameObject.h"
#include "scene/Placement.h"
#include "util/PhysxHandler.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <iostream>

namespace {

using tavo::util::PhysxHandler;

class PlacementRejectionTest : public testing::Test {
protected:
    void SetUp() override {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(std::string(WINDLAP_RUN_DIR) + "/Models/terrain.dae",
                                                 tavo::scene::modelimport::postProcessFlags);
        ASSERT_NE(scene, nullptr);
        const aiMesh* grid = nullptr;
        for (unsigned i = 0; i < scene->mNumMeshes; ++i)
            if (std::string(scene->mMeshes[i]->mName.C_Str()) == "Grid")
                grid = scene->mMeshes[i];
        ASSERT_NE(grid, nullptr);
        std::vector<glm::vec3> positions;
        for (unsigned v = 0; v < grid->mNumVertices; ++v)
            positions.emplace_back(grid->mVertices[v].x, grid->mVertices[v].y, grid->mVertices[v].z);
        std::vector<std::uint32_t> indices;
        for (unsigned f = 0; f < grid->mNumFaces; ++f)
            for (unsigned k = 0; k < 3; ++k)
                indices.push_back(grid->mFaces[f].mIndices[k]);
        centre = physics.createTerrainPiece(positions, indices, 10.0f, glm::vec3(0.0f, -300.0f, 0.0f));
        ASSERT_NE(centre, nullptr);
    }
    bool buried(const glm::vec3& place) { return PhysxHandler::raycastUp(centre, centre, place).has_value(); }

    PhysxHandler physics;
    btRigidBody* centre = nullptr;
};

TEST_F(PlacementRejectionTest, SomePlacesAreRefusedAndNoPlaceRefusesEveryHeight) {
    int draws = 0;
    int refusedRings = 0;
    int refusedPickups = 0;
    for (int second = 0; second < 60; ++second) {
        for (int millisecond = 0; millisecond < 1000; millisecond += 4) {
            const std::uint32_t heightWord = tavo::scene::randomWord();
            const tavo::scene::Placement p =
                tavo::scene::computePlacement(second, millisecond, heightWord, tavo::scene::randomWord());
            ++draws;
            refusedRings += buried({p.a, -p.h, p.b});
            refusedPickups += buried({p.a, p.h, -p.b});
            // The highest place the random height can give is always free, so the loop ends within a
            // millisecond.
            ASSERT_FALSE(buried({p.a, 19.8f, -p.b})) << "second " << second << " ms " << millisecond;
            ASSERT_FALSE(buried({p.a, 19.8f, p.b})) << "second " << second << " ms " << millisecond;
        }
    }
    const double ringRate = 100.0 * refusedRings / draws;
    const double pickupRate = 100.0 * refusedPickups / draws;
    std::cout << "refused on the first try: ring " << ringRate << " %, pickups " << pickupRate << " % of "
              << draws << " places\n";
    EXPECT_GE(ringRate, 3.0);
    EXPECT_LE(ringRate, 50.0);
    EXPECT_GE(pickupRate, 3.0);
    EXPECT_LE(pickupRate, 50.0);
}

} // namespace
