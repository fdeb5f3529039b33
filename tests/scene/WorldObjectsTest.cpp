// Ring, pickups, terrain and their placement: small model files, a real GL context and a real physics world.
#include "WorldTestData.h"
#include "scene/Boost.h"
#include "scene/FlightModel.h"
#include "scene/Hat.h"
#include "scene/Placement.h"
#include "scene/Plane.h"
#include "scene/Ring.h"
#include "scene/Terrain.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <chrono>
#include <cmath>
#include <cstdlib>

using namespace tavo::scene;
using tavo::util::PhysxHandler;

namespace {

// The game's terrain pose: 300 below the origin, ten times the model's size.
const glm::mat4 terrainPose =
    glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, -300, 0)), glm::vec3(10.0f));
constexpr unsigned int indicesPerPiece = 4 * 4 * 2 * 3;

void expectMatrixNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-3f) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], expected[c][r], tolerance) << "column " << c << " row " << r;
}

glm::mat4 modelUniform(const Shader& shader) {
    glm::mat4 model(0.0f);
    glGetUniformfv(shader.programId, shader.modelLoc, glm::value_ptr(model));
    return model;
}

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

class WorldObjectsTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        worlddata::enterRunFolder();
        sharedInput = &input;
        folder = makeTempFolder("world");
        // Ring levels of detail with 12, 2 and 1 triangles; all carry texture coordinates.
        TestMesh triangle = squareMesh("Ring_lod2");
        triangle.positions.resize(3);
        triangle.normals.resize(3);
        triangle.uvs.resize(3);
        writeCollada(folder + "/ring.dae", {worlddata::box("Ring_lod0", glm::vec3(0), glm::vec3(9, 1.5f, 9)),
                                            squareMesh("Ring_lod1", 9.0f), triangle});
        writeCollada(folder + "/boost.dae",
                     {worlddata::box("can", glm::vec3(0), glm::vec3(0.3f, 0.3f, 0.45f)),
                      squareMesh("effect", 0.6f), worlddata::box("can_low", glm::vec3(0), glm::vec3(0.3f))});
        writeCollada(folder + "/hat.dae",
                     {squareMesh("hat_low", 0.8f), worlddata::box("hat", glm::vec3(0), glm::vec3(0.5f))});
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
    std::unique_ptr<Terrain> makeTerrain(const std::vector<worlddata::PiecePlace>& pieces,
                                         const worlddata::HeightField& height = worlddata::flatValley,
                                         int cells = 4) {
        worlddata::writeTerrain(folder + "/terrain.dae", pieces, height, cells);
        return std::make_unique<Terrain>(terrainPose, color.get(), folder + "/terrain.dae", 10.0f,
                                         physics.get());
    }
    // The jet flown by its own flight model until done says stop (or 1200 frames).
    template <class Done> void flyPlane(Plane& jet, Done&& done, int frames = 1200) {
        for (int i = 0; i < frames && !done(); ++i) {
            jet.update(1.0f / 60.0f, window);
            physics->step(1.0f / 60.0f);
        }
    }
    // A bare jet body already at cruise speed, flown along +z as the flight model would.
    void flyJetBody(int frames) {
        if (!jet) {
            jet = physics->createPlaneBody({0, 0, 0});
            physics->setDamping(jet, 1.0f, 10.0f);
            physics->planeActor = jet;
            PhysxHandler::addVelocityChange(jet, {0, 0, 49.1665f});
        }
        for (int i = 0; i < frames; ++i) {
            PhysxHandler::addVelocityChange(jet, {0, 0, 50.0f / 60.0f});
            physics->step(1.0f / 60.0f);
        }
    }

    InputState input;
    std::string folder;
    std::unique_ptr<Shader> color;
    std::unique_ptr<PhysxHandler> physics;
    btRigidBody* jet = nullptr;
};

} // namespace

TEST(Placement, ClockAndRandomWordsGiveThePlace) {
    struct Case {
        int second, millisecond;
        std::uint32_t heightWord, turnWord;
        float a, b, h, turn;
    };
    const Case cases[] = {{5, 0, 0, 0, 0, 0, -20, 0},
                          {10, 500, 0x80000000u, 0x40000000u, 500, 0, 0, 1.5707964f},
                          {0, 999, 0xFEFEFEFEu, 0, -999, -999, 19.84f, 0},
                          {6, 300, 0, 0, 60, 300, -20, 0}};
    for (const Case& c : cases) {
        const Placement p = computePlacement(c.second, c.millisecond, c.heightWord, c.turnWord);
        EXPECT_NEAR(p.a, c.a, 1e-3f) << c.second;
        EXPECT_NEAR(p.b, c.b, 1e-3f) << c.second;
        EXPECT_NEAR(p.h, c.h, 0.01f) << c.second;
        EXPECT_NEAR(p.turn, c.turn, 1e-5f) << c.second;
    }
    // A random word is four bytes of rand() % 255, lowest first.
    std::srand(12345);
    const std::uint32_t word = randomWord();
    std::srand(12345);
    std::uint32_t expected = 0;
    for (int byte = 0; byte < 4; ++byte)
        expected |= static_cast<std::uint32_t>(std::rand() % 255) << (8 * byte);
    EXPECT_EQ(word, expected);
}

TEST(Placement, ClockReadsUtcSecondAndMillisecond) {
    using namespace std::chrono;
    const long long lo = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    int second = -1, millisecond = -1;
    utcSecondAndMillisecond(second, millisecond);
    const long long hi = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    bool matches = false;
    for (long long t = lo; t <= hi; ++t)
        matches = matches || (t / 1000 % 60 == second && t % 1000 == millisecond);
    EXPECT_TRUE(matches) << second << " s " << millisecond << " ms";
}

TEST(Placement, LoopStopsAtTheFirstClearPlaceOrAfterTheBoundAndTheTerrainTestNeedsThePieces) {
    int moves = 0;
    EXPECT_TRUE(placeClear([&] { ++moves; }, [&] { return moves < 3; }));
    EXPECT_EQ(moves, 3);
    moves = 0;
    EXPECT_FALSE(placeClear([&] { ++moves; }, [] { return true; }));
    EXPECT_EQ(moves, maxPlacementAttempts);

    PhysxHandler physics;
    btRigidBody* ring = physics.createTriggerSphere(11.0f, {0, -320, 0});
    EXPECT_FALSE(terrainAbove(physics, ring));
    const std::vector<glm::vec3> sheet{{-100, -100, 0}, {100, -100, 0}, {100, 100, 0}, {-100, 100, 0}};
    physics.terrainTileActors[centreTile] =
        physics.createTerrainPiece(sheet, {0, 1, 2, 0, 2, 3}, 10.0f, {0, -300, 0});
    EXPECT_TRUE(terrainAbove(physics, ring));
    EXPECT_FALSE(terrainAbove(physics, ring, rightTile, centreTile));
    EXPECT_FALSE(terrainAbove(physics, nullptr));
    EXPECT_FALSE(terrainAbove(physics, ring, 9, 12));
    physics.setGlobalPose(ring, {0, -280, 0});
    EXPECT_FALSE(terrainAbove(physics, ring));
}

TEST_F(WorldObjectsTest, RingIsPlacedWhereTheClockAndTheRandomWordsSay) {
    auto ring = makeRing();
    ASSERT_EQ(physics->ringActor, ring->actor);
    std::srand(77);
    const std::uint32_t heightWord = randomWord(), turnWord = randomWord();
    const Placement expected = computePlacement(0, 0, heightWord, turnWord);
    std::srand(77);
    ring->reposition();
    const glm::vec3 body = PhysxHandler::getGlobalPosition(ring->actor);
    EXPECT_NEAR(glm::distance(glm::vec3(ring->modelMatrix[3]), body), 0.0f, 1e-3f);
    EXPECT_NEAR(body.y, -expected.h, 1e-4f); // the ring's quarter turn is positive: height -h
    EXPECT_LE(std::abs(body.x), 999.0f);
    EXPECT_LE(std::abs(body.z), 999.0f);
    // The random turn is about the world vertical: the model's x axis stays level.
    const glm::vec3 xAxis(ring->modelMatrix[0]);
    EXPECT_NEAR(xAxis.y, 0.0f, 1e-5f);
    EXPECT_NEAR(std::remainder(std::atan2(xAxis.z, xAxis.x) - expected.turn, 6.2831855f), 0.0f, 1e-4f);
}

TEST_F(WorldObjectsTest, RingPlacementLoopKeepsOutOfTheTerrainAndEnds) {
    auto open = makeTerrain({{"Grid_right", 0, 200}, {"Grid", 0, 0}}, worlddata::flatValley, 8);
    EXPECT_EQ(randCallsOf([&] { makeRing(); }), 8); // open ground: one place, two random words
    // "Grid_right" over the whole placement area, 100 above every place: the loop gives up after the bound.
    auto covering = makeTerrain(
        {{"Grid_right", 0, 0}, {"Grid", 0, 200}}, [](float, float) { return 40.0f; }, 8);
    std::unique_ptr<Ring> ring;
    EXPECT_EQ(randCallsOf([&] { ring = makeRing(); }), 8 * maxPlacementAttempts);
    EXPECT_TRUE(terrainAbove(*physics, ring->actor, rightTile));
}

TEST_F(WorldObjectsTest, FlyingThroughRaisesRingPassed) {
    auto ring = makeRing();
    worlddata::writeJet(folder + "/jet.dae");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    Plane plane(glm::mat4(1.0f), &basic, folder + "/jet.dae", "", "", physics.get());
    physics->setGlobalPose(ring->actor, {0, 0, 60});
    flyPlane(
        plane, [] { return false; }, 90);
    EXPECT_FALSE(physics->ringPassed);
    flyPlane(
        plane, [] { return false; }, 60);
    EXPECT_TRUE(physics->ringPassed);
    EXPECT_FALSE(physics->ringInTerrain);
}

TEST_F(WorldObjectsTest, RingInAHillOfAnOuterPieceRaisesRingInTerrain) {
    auto hill = [](float x, float y) {
        return 16.0f + 20.0f * std::exp(-(x * x + (y + 200) * (y + 200)) / 400.0f); // over "Grid_left"
    };
    auto terrain = makeTerrain(worlddata::allPieces(), hill, 8);
    auto ring = makeRing();
    physics->step(1.0f / 60.0f);
    ASSERT_FALSE(physics->ringInTerrain);
    physics->setGlobalPose(ring->actor, {0, 52, 2000}); // cutting the hill's top at 60
    physics->step(1.0f / 60.0f);
    EXPECT_TRUE(physics->ringInTerrain);
    // The upward ray test only looks at the centre piece: this the physics report alone catches.
    EXPECT_FALSE(terrainAbove(*physics, ring->actor));
}

TEST_F(WorldObjectsTest, DetailFollowsTheDistance) {
    auto ring = makeRing();
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    Hat hat(glm::mat4(1.0f), color.get(), folder + "/hat.dae", physics.get());
    ASSERT_EQ(ring->levelCount, 3u);
    EXPECT_EQ(hat.currentMesh, 0);
    struct Case {
        char object; // r ring, c can, h hat
        float distance;
        const char* mesh;
    };
    const Case cases[] = {{'r', 50, "Ring_lod0"},    {'r', 150, "Ring_lod1"}, {'r', 299, "Ring_lod1"},
                          {'r', 301, "Ring_lod2"},   {'r', 350, "Ring_lod2"}, {'r', 600, "Ring_lod2"},
                          {'r', 99.9f, "Ring_lod0"}, {'r', 700, "Ring_lod0"}, {'c', 50, "can_low"},
                          {'c', 150, "can"},         {'h', 150, "hat"},       {'h', 250, "hat_low"}};
    for (const Case& c : cases) {
        std::string name;
        if (c.object == 'r') {
            ring->selectLevel(c.distance);
            name = "Ring_lod" + std::to_string(ring->currentLevel);
        } else if (c.object == 'c') {
            can.selectCan(c.distance);
            name = can.meshes[can.currentCan]->name;
        } else {
            hat.selectMesh(c.distance);
            name = hat.meshes[hat.currentMesh]->name;
        }
        EXPECT_EQ(name, c.mesh) << c.object << " at " << c.distance;
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

TEST_F(WorldObjectsTest, ObjectsSpinAndDrawWithTheirOwnMatrices) {
    auto ring = makeRing();
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    Hat hat(glm::mat4(1.0f), color.get(), folder + "/hat.dae", physics.get());
    ASSERT_EQ(physics->boostActor, can.actor);
    ASSERT_EQ(physics->hatActor, hat.actor);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(glm::length(glm::vec3(can.modelMatrix[c])), 15.0f, 1e-3f);
    EXPECT_NEAR(glm::length(glm::vec3(hat.modelMatrix[0])), 10.0f, 1e-3f);
    // The pickups' quarter turn is negative: the centre is at (a, h, -b), h within the random range.
    const glm::vec3 centre = PhysxHandler::getGlobalPosition(can.actor);
    EXPECT_NEAR(glm::distance(centre, glm::vec3(can.modelMatrix[3])), 0.0f, 1e-3f);
    EXPECT_GE(centre.y, -20.0f);
    EXPECT_LE(centre.y, 19.85f);
    EXPECT_NEAR(glm::vec3(can.modelMatrix[2]).y, 15.0f, 1e-3f); // model z is the world vertical

    // One second: ring and can a quarter turn, the hat a half; the ring's trigger stays put.
    const glm::mat4 ringStart = ring->modelMatrix, canStart = can.modelMatrix, hatStart = hat.modelMatrix;
    const glm::vec3 actorBefore = PhysxHandler::getGlobalPosition(ring->actor);
    ring->update(1.0f, window);
    can.update(1.0f, window);
    hat.update(1.0f, window);
    expectMatrixNear(ring->modelMatrix, glm::rotate(ringStart, 0.7853982f, glm::vec3(0, 1, 0)), 1e-4f);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(ring->actor), actorBefore);
    expectMatrixNear(can.modelMatrix, glm::rotate(canStart, 0.7853982f, glm::vec3(0, 0, 1)));
    expectMatrixNear(can.meshes[can.canMesh]->modelMatrix, can.modelMatrix);
    const glm::mat4 tumble = glm::rotate(glm::mat4(1.0f), 3.1415927f, glm::normalize(glm::vec3(1, 1, 1)));
    expectMatrixNear(can.meshes[can.effectMesh]->modelMatrix, can.modelMatrix * tumble);
    expectMatrixNear(hat.modelMatrix, glm::rotate(hatStart, 1.5707964f, glm::vec3(0, 0, 1)));

    can.selectCan(50.0f);
    const GLuint triangles = worlddata::primitivesDrawn([&] { can.drawWithShader(); });
    EXPECT_EQ(triangles, 12u + 2u); // "can_low" and the effect
    EXPECT_EQ(can.drawnIndexCount(), 3 * triangles);
    expectMatrixNear(modelUniform(*color), can.meshes[can.effectMesh]->modelMatrix, 1e-4f);
    GLfloat glow = -1.0f;
    glGetUniformfv(color->programId, color->glowLoc, &glow);
    EXPECT_EQ(glow, 0.0f);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { can.draw(); }), 14u);
    hat.selectMesh(250.0f);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { hat.drawWithShader(); }), 2u);
    EXPECT_EQ(hat.drawnIndexCount(), 6u);
    expectMatrixNear(modelUniform(*color), hat.modelMatrix, 1e-4f);
}

TEST_F(WorldObjectsTest, MissingModelsDrawWhatTheyHave) {
    writeCollada(folder + "/empty.dae", {});
    writeCollada(folder + "/effect-only.dae", {squareMesh("effect", 0.6f), squareMesh("Can", 0.6f)});
    writeCollada(folder + "/cap.dae", {squareMesh("cap")});
    for (const char* file : {"/empty.dae", "/absent.dae"}) {
        auto ring = makeRing(file);
        EXPECT_EQ(ring->levelCount, 0u) << file;
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
    struct Case {
        const char* file;
        bool boost;
        unsigned int triangles;
    };
    for (const Case& c : {Case{"/effect-only.dae", true, 2}, Case{"/absent.dae", true, 0},
                          Case{"/cap.dae", false, 0}, Case{"/absent.dae", false, 0}}) {
        for (float distance : {10.0f, 50.0f, 150.0f}) {
            unsigned int drawn = 0, indices = 0;
            if (c.boost) {
                Boost can(glm::mat4(1.0f), color.get(), folder + c.file, physics.get());
                EXPECT_EQ(can.canMesh, -1);
                EXPECT_EQ(can.canLowMesh, -1);
                can.selectCan(distance);
                can.update(0.1f, window);
                drawn = worlddata::primitivesDrawn([&] { can.drawWithShader(); });
                indices = can.drawnIndexCount();
                if (c.triangles == 0) {
                    EXPECT_EQ(worlddata::primitivesDrawn([&] { can.draw(); }), 0u);
                }
            } else {
                Hat hat(glm::mat4(1.0f), color.get(), folder + c.file, physics.get());
                EXPECT_EQ(hat.hatHighMesh, -1);
                hat.selectMesh(distance);
                drawn = worlddata::primitivesDrawn([&] {
                    hat.draw();
                    hat.drawWithShader();
                });
                indices = hat.drawnIndexCount();
            }
            EXPECT_EQ(drawn, c.triangles) << c.file << " at " << distance;
            EXPECT_EQ(indices, 3 * c.triangles) << c.file << " at " << distance;
        }
    }
    Terrain terrain(terrainPose, color.get(), folder + "/absent.dae", 10.0f, physics.get());
    EXPECT_TRUE(terrain.meshes.empty());
    EXPECT_EQ(terrain.drawTiles(nullptr, true), 0u);
    EXPECT_EQ(terrain.getIndexCount(), 0u);
    for (btRigidBody* actor : physics->terrainTileActors)
        EXPECT_EQ(actor, nullptr);
}

TEST_F(WorldObjectsTest, JetEnteringAPickupRaisesItsFlagAndACollectedHatLeavesTheWorld) {
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    physics->setGlobalPose(can.actor, {0, 0, 40});
    flyJetBody(15); // the nose, 8.5 ahead, is still short of the sphere (radius 10)
    EXPECT_FALSE(physics->boostCollected);
    flyJetBody(30);
    EXPECT_TRUE(physics->boostCollected);

    Hat hat(glm::mat4(1.0f), color.get(), folder + "/hat.dae", physics.get());
    physics->setGlobalPose(hat.actor, {0, 0, 40});
    physics->setGlobalPose(jet, {0, 0, 0});
    flyJetBody(60);
    ASSERT_TRUE(physics->hatCollected);
    physics->hatCollected = false;
    hat.collect();
    EXPECT_TRUE(hat.collected);
    EXPECT_EQ(hat.actor, nullptr);
    EXPECT_EQ(physics->hatActor, nullptr);
    hat.collect();
    hat.reposition();                       // no trigger left to move
    physics->setGlobalPose(jet, {0, 0, 0}); // back through the old place: nothing
    flyJetBody(60);
    EXPECT_FALSE(physics->hatCollected);
}

TEST_F(WorldObjectsTest, NinePiecesStandAtTheirGridPlacesAndAreCulledByTheirOwnSpheres) {
    auto terrain = makeTerrain(worlddata::allPieces());
    ASSERT_EQ(terrain->meshes.size(), 9u);
    for (int slot = 0; slot < Terrain::tileCount; ++slot) {
        EXPECT_NE(terrain->tileActors[slot], nullptr) << Terrain::tileNames[slot];
        EXPECT_EQ(physics->terrainTileActors[slot], terrain->tileActors[slot]);
    }
    EXPECT_EQ(terrain->tileOffsets[4], glm::vec3(-2000, 0, 2000)); // "Grid_topleft"
    EXPECT_EQ(terrain->tileOffsets[0], glm::vec3(0, 0, -2000));    // "Grid_right"
    EXPECT_FLOAT_EQ(terrain->boundingRadius, 1500.0f);
    EXPECT_EQ(terrain->getIndexCount(), 9 * indicesPerPiece);
    // Model (x, y) lies at world (10 x, -10 y), height 10 z - 300.
    const btRigidBody* topLeft = physics->terrainTileActors[4];
    auto hit = PhysxHandler::raycastUp(topLeft, topLeft, {-2000, -300, 2000});
    ASSERT_TRUE(hit.has_value());
    EXPECT_NEAR(-300 + *hit, -140.0f, 0.01f);
    EXPECT_FALSE(PhysxHandler::raycastUp(topLeft, topLeft, {2000, -300, 2000}).has_value());

    unsigned int all = 0;
    const GLuint triangles = worlddata::primitivesDrawn([&] { all = terrain->drawTiles(nullptr, true); });
    EXPECT_EQ(triangles, all / 3);
    EXPECT_EQ(all, terrain->getIndexCount());
    ViewFrustum frustum;
    frustum.setInternals(10.0f * degree, 16.0f / 9.0f, 0.1f, 1200.0f);
    frustum.setCamera({0, 1000, 0}, {0, 0, 0}, {0, 0, -1}); // narrow, straight down over the centre piece
    EXPECT_EQ(terrain->drawTiles(&frustum, false), indicesPerPiece);
    EXPECT_EQ(terrain->drawTiles(&frustum, true), 9 * indicesPerPiece);
    frustum.setCamera({0, 0, 20000}, {0, 0, 30000}, {0, 1, 0}); // far out, looking away
    EXPECT_EQ(terrain->drawTiles(&frustum, false), 0u);
}

TEST_F(WorldObjectsTest, AFileWithFewerOrMorePiecesDrawsWhatItHas) {
    auto terrain =
        makeTerrain({{"Grid", 0, 0}, {"Rock", 0, 0}, {"Grid_left", 0, -200}, {"Grid_right", 0, 200}});
    ASSERT_EQ(terrain->meshes.size(), 4u);
    unsigned int drawn = 0;
    const GLuint triangles = worlddata::primitivesDrawn([&] { drawn = terrain->drawTiles(nullptr, true); });
    EXPECT_EQ(triangles, 4 * indicesPerPiece / 3);
    EXPECT_EQ(drawn, 4 * indicesPerPiece);
    int registered = 0;
    for (btRigidBody* actor : physics->terrainTileActors)
        registered += actor != nullptr;
    EXPECT_EQ(registered, 3);
    EXPECT_EQ(physics->terrainTileActors[8], terrain->tileActors[8]);
    EXPECT_EQ(terrain->meshOffsets[2], glm::vec3(0, 0, 2000)); // culled at its own place, not at slot 2's

    std::vector<worlddata::PiecePlace> eleven = worlddata::allPieces();
    eleven.push_back({"Extra", 0, 0});
    eleven.push_back({"More", 0, 0});
    EXPECT_EQ(makeTerrain(eleven)->drawTiles(nullptr, true), 9 * indicesPerPiece);
}

TEST_F(WorldObjectsTest, JetFlownIntoAHillRaisesTheCrashFlag) {
    // A ridge across the jet's path at world z = 400, rising to world height 160.
    auto ridge = [](float, float y) {
        return 16.0f + 30.0f * std::exp(-std::pow((y + 40.0f) / 15.0f, 2.0f));
    };
    auto terrain = makeTerrain({{"Grid", 0, 0}}, ridge, 40);
    worlddata::writeJet(folder + "/jet.dae");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    Plane plane(glm::mat4(1.0f), &basic, folder + "/jet.dae", "", "", physics.get());
    flyPlane(plane, [&] { return physics->planeCrashed; });
    ASSERT_TRUE(physics->planeCrashed);
    // The nose (8.5 ahead) meets the ridge's flank about z = 269 (the 50-unit cells blur it a little).
    const float nose = PhysxHandler::getGlobalPosition(plane.actor).z + 8.5f;
    EXPECT_GT(nose, 240.0f);
    EXPECT_LT(nose, 280.0f);
    EXPECT_FALSE(physics->ringPassed || physics->ringInTerrain || physics->boostCollected ||
                 physics->hatCollected);
}

TEST_F(WorldObjectsTest, ShadowPassDrawsOnlyThePiecesTheSunSeesAndTheMapStaysTheSame) {
    auto hills = [](float x, float y) { return 16.0f + 12.0f * std::sin(x / 37.0f) * std::cos(y / 23.0f); };
    auto terrain = makeTerrain(worlddata::allPieces(), hills, 8);
    const unsigned int perPiece = 8 * 8 * 2 * 3;
    Shader depth(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
    const glm::vec3 sun(0.6666667f, -0.3333333f, 0.6666667f);
    ShadowMap shadowMap(glm::mat4(1.0f), &sun, &depth);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    const size_t texels = static_cast<size_t>(shadowMap.size) * shadowMap.size;
    std::vector<float> everything(texels), chosen(texels);
    auto renderMap = [&](const glm::vec3& camera, std::vector<float>& into, bool all) {
        shadowMap.updateLight(camera);
        shadowMap.draw();
        glViewport(0, 0, shadowMap.size, shadowMap.size);
        glClear(GL_DEPTH_BUFFER_BIT);
        glUniformMatrix4fv(shadowMap.modelLocation, 1, GL_FALSE, glm::value_ptr(terrain->modelMatrix));
        unsigned int drawn = 0;
        if (all)
            terrain->draw();
        else
            drawn = terrain->drawShadowTiles(shadowMap);
        glBindTexture(GL_TEXTURE_2D, shadowMap.depthTexture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, into.data());
        return drawn;
    };
    struct View {
        glm::vec3 camera;
        unsigned int leastPieces, mostPieces;
    };
    // Over the centre, over a corner piece, and far beyond the edge where the sun sees no ground at all.
    for (const View& view :
         {View{{0, 200, 0}, 1, 8}, View{{-2600, 200, 2600}, 1, 5}, View{{0, 200, 30000}, 0, 0}}) {
        renderMap(view.camera, everything, true);
        const unsigned int drawn = renderMap(view.camera, chosen, false);
        EXPECT_GE(drawn, view.leastPieces * perPiece) << view.camera.x << ", " << view.camera.z;
        EXPECT_LE(drawn, view.mostPieces * perPiece) << view.camera.x << ", " << view.camera.z;
        EXPECT_EQ(drawn % perPiece, 0u);
        size_t differing = 0, shaded = 0;
        for (size_t i = 0; i < texels; ++i) {
            differing += everything[i] != chosen[i];
            shaded += everything[i] < 1.0f;
        }
        EXPECT_EQ(differing, 0u) << "the map changed at " << view.camera.x << ", " << view.camera.z;
        if (view.mostPieces > 0)
            EXPECT_GT(shaded, texels / 10) << "the sun should see ground at " << view.camera.x;
        else
            EXPECT_EQ(shaded, 0u);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
