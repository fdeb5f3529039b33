#include "scene/Ring.h"
#include "WorldTestData.h"
#include "scene/Placement.h"
#include "scene/Plane.h"
#include "scene/Terrain.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstdlib>

using tavo::scene::Ring;
using tavo::util::PhysxHandler;

namespace {

const glm::mat4 terrainPose =
    glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, -300, 0)), glm::vec3(10.0f));

TestMesh oneTriangle(const std::string& name) {
    TestMesh mesh = squareMesh(name);
    mesh.positions.resize(3);
    mesh.normals.resize(3);
    mesh.uvs.resize(3);
    return mesh;
}

class RingTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        worlddata::enterRunFolder();
        sharedInput = &input;
        folder = makeTempFolder("ring");
        // Three levels of detail with 12, 2 and 1 triangles; all carry texture coordinates.
        writeCollada(folder + "/ring.dae", {worlddata::box("Ring_lod0", glm::vec3(0), glm::vec3(9, 1.5f, 9)),
                                            squareMesh("Ring_lod1", 9.0f), oneTriangle("Ring_lod2")});
        color = std::make_unique<Shader>(COLOR, "./Shader/color.vert", "./Shader/color.frag");
        physics = std::make_unique<PhysxHandler>();
    }
    void TearDown() override {
        color.reset();
        physics.reset();
        sharedInput = nullptr;
        GlTest::TearDown();
    }
    std::unique_ptr<Ring> makeRing(const std::string& file = "/ring.dae") {
        return std::make_unique<Ring>(glm::mat4(1.0f), color.get(), folder + file, physics.get());
    }
    std::unique_ptr<tavo::scene::Terrain> makeTerrain(const std::vector<worlddata::PiecePlace>& pieces,
                                                      const worlddata::HeightField& height) {
        worlddata::writeTerrain(folder + "/terrain.dae", pieces, height, 8);
        return std::make_unique<tavo::scene::Terrain>(terrainPose, color.get(), folder + "/terrain.dae",
                                                      10.0f, physics.get());
    }

    InputState input;
    std::string folder;
    std::unique_ptr<Shader> color;
    std::unique_ptr<PhysxHandler> physics;
};

// rand() calls made by an action, found by replaying the sequence from the same seed.
template <class Action> int randCallsOf(Action&& action) {
    std::srand(4242);
    action();
    const int next = std::rand();
    std::srand(4242);
    for (int calls = 0; calls < 100000; ++calls)
        if (std::rand() == next)
            return calls;
    return -1;
}

} // namespace

TEST_F(RingTest, PlacedWhereTheClockAndTheRandomWordsSay) {
    auto ring = makeRing();
    ASSERT_EQ(physics->ringActor, ring->actor);
    std::srand(77);
    const std::uint32_t heightWord = tavo::scene::randomWord(), turnWord = tavo::scene::randomWord();
    const tavo::scene::Placement expected = tavo::scene::computePlacement(0, 0, heightWord, turnWord);
    std::srand(77);
    ring->reposition();
    const glm::vec3 centre(ring->modelMatrix[3]);
    const glm::vec3 body = PhysxHandler::getGlobalPosition(ring->actor);
    EXPECT_NEAR(glm::distance(centre, body), 0.0f, 1e-3f);
    EXPECT_NEAR(body.y, -expected.h, 1e-4f); // the ring's quarter turn is positive: height -h
    EXPECT_LE(std::abs(body.x), 999.0f);
    EXPECT_LE(std::abs(body.z), 999.0f);
    // The random turn is about the world vertical: the model's x axis stays level.
    const glm::vec3 xAxis(ring->modelMatrix[0]);
    EXPECT_NEAR(xAxis.y, 0.0f, 1e-5f);
    const float turn = std::atan2(xAxis.z, xAxis.x);
    EXPECT_NEAR(std::remainder(turn - expected.turn, 6.2831855f), 0.0f, 1e-4f);
}

TEST_F(RingTest, PlacementLoopKeepsOutOfTheTerrainAndEnds) {
    // Open ground: one place, two random words.
    auto open = makeTerrain({{"Grid_right", 0, 200}, {"Grid", 0, 0}}, worlddata::flatValley);
    EXPECT_EQ(randCallsOf([&] { makeRing(); }), 8);
    // "Grid_right" moved over the whole placement area, 100 above every place: the loop gives up after the
    // bound.
    auto covering = makeTerrain({{"Grid_right", 0, 0}, {"Grid", 0, 200}}, [](float, float) { return 40.0f; });
    std::unique_ptr<Ring> ring;
    EXPECT_EQ(randCallsOf([&] { ring = makeRing(); }), 8 * tavo::scene::maxPlacementAttempts);
    EXPECT_TRUE(tavo::scene::terrainAbove(*physics, ring->actor, tavo::scene::rightTile));
}

TEST_F(RingTest, FlyingThroughRaisesRingPassed) {
    auto ring = makeRing();
    worlddata::writeJet(folder + "/jet.dae");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    tavo::scene::Plane jet(glm::mat4(1.0f), &basic, folder + "/jet.dae", "", "", physics.get());
    physics->setGlobalPose(ring->actor, {0, 0, 60});
    for (int i = 0; i < 90; ++i) {
        jet.update(1.0f / 60.0f, window);
        physics->step(1.0f / 60.0f);
    }
    EXPECT_FALSE(physics->ringPassed);
    for (int i = 0; i < 60; ++i) {
        jet.update(1.0f / 60.0f, window);
        physics->step(1.0f / 60.0f);
    }
    EXPECT_TRUE(physics->ringPassed);
    EXPECT_FALSE(physics->ringInTerrain);
}

TEST_F(RingTest, RingInAHillOfAnOuterPieceRaisesRingInTerrain) {
    auto hill = [](float x, float y) {
        return 16.0f + 20.0f * std::exp(-(x * x + (y + 200) * (y + 200)) / 400.0f); // over "Grid_left"
    };
    auto terrain = makeTerrain(worlddata::allPieces(), hill);
    auto ring = makeRing();
    physics->step(1.0f / 60.0f);
    ASSERT_FALSE(physics->ringInTerrain);
    physics->setGlobalPose(ring->actor, {0, 52, 2000}); // cutting the hill's top at 60
    physics->step(1.0f / 60.0f);
    EXPECT_TRUE(physics->ringInTerrain);
    // The upward ray test only looks at the centre piece: this the physics report alone catches.
    EXPECT_FALSE(tavo::scene::terrainAbove(*physics, ring->actor));
}

TEST_F(RingTest, LevelOfDetailFollowsTheDistance) {
    auto ring = makeRing();
    ASSERT_EQ(ring->levelCount, 3u);
    const std::pair<float, unsigned int> cases[] = {{50, 0},  {150, 1},   {350, 2},
                                                    {600, 2}, {99.9f, 0}, {700, 0}};
    for (const auto& [distance, level] : cases) {
        ring->selectLevel(distance);
        EXPECT_EQ(ring->currentLevel, level) << distance;
    }
    ring->selectLevel(350);
    EXPECT_EQ(ring->getIndexCount(), 3u);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { ring->drawWithShader(); }), 1u);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { ring->draw(); }), 1u);
    ring->selectLevel(0);
    EXPECT_EQ(ring->getIndexCount(), 36u);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { ring->drawWithMaterial(-1, -1, -1); }), 12u);
    for (const auto& mesh : ring->meshes)
        EXPECT_EQ(mesh->uvBuffer, 0u) << "the colour program takes no texture coordinates";
}

TEST_F(RingTest, ModelWithoutMeshesDrawsNothing) {
    writeCollada(folder + "/empty.dae", {});
    for (const char* file : {"/empty.dae", "/absent.dae"}) {
        auto ring = makeRing(file);
        EXPECT_EQ(ring->levelCount, 0u);
        ring->selectLevel(10);
        ring->update(0.5f, window);
        EXPECT_EQ(ring->getIndexCount(), 0u);
        EXPECT_EQ(worlddata::primitivesDrawn([&] {
                      ring->draw();
                      ring->drawWithShader();
                      ring->drawWithMaterial(-1, -1, -1);
                  }),
                  0u);
        ring->currentLevel = 5;
        EXPECT_EQ(ring->getIndexCount(), 0u);
    }
}

TEST_F(RingTest, SpinsAQuarterTurnPerSecondInItsOwnPlane) {
    auto ring = makeRing();
    const glm::mat4 before = ring->modelMatrix;
    const glm::vec3 actorBefore = PhysxHandler::getGlobalPosition(ring->actor);
    ring->update(1.0f, window);
    const glm::mat4 expected = glm::rotate(before, 0.7853982f, glm::vec3(0, 1, 0));
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(ring->modelMatrix[c][r], expected[c][r], 1e-4f);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(ring->actor), actorBefore);
}
