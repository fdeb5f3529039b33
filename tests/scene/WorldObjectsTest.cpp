// Jet, ring, pickups, terrain and their placement: small model files, a real GL context and a real physics
// world.
#include "scene/Boost.h"
#include "scene/FlightModel.h"
#include "scene/Hat.h"
#include "scene/Placement.h"
#include "scene/Plane.h"
#include "scene/Ring.h"
#include "scene/Terrain.h"
#include "support/GlContext.h"
#include "support/TestModels.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace tavo::scene;
using tavo::util::PhysxHandler;

namespace {

// The game's terrain pose: model (x, y, z) lies at world (10 x, 10 z - 300, -10 y).
const glm::mat4 terrainPose =
    glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, -300, 0)), glm::vec3(10));
constexpr float frame = 1.0f / 60.0f;
using HeightField = std::function<float(float x, float y)>;
struct PiecePlace {
    const char* name;
    float cx, cy;
};
// The nine pieces in the game's slot order, at their model-space places.
const std::vector<PiecePlace> allPieces = {{"Grid_right", 0, 200},         {"Grid_bottomright", 200, 200},
                                           {"Grid_bottomleft", 200, -200}, {"Grid_topright", -200, 200},
                                           {"Grid_topleft", -200, -200},   {"Grid_top", -200, 0},
                                           {"Grid_bottom", 200, 0},        {"Grid", 0, 0},
                                           {"Grid_left", 0, -200}};

// A mesh of n triangles (stacked squares' halves, with texture coordinates).
TestMesh triangles(const std::string& name, int n) {
    const TestMesh square = squareMesh(name);
    TestMesh mesh = square;
    mesh.positions.resize(3 * n);
    mesh.normals.resize(3 * n, glm::vec3(0, 0, 1));
    mesh.uvs.resize(3 * n);
    for (int i = 0; i < 3 * n; ++i) {
        mesh.positions[i] = square.positions[i % 6] + glm::vec3(0, 0, 0.1f * (i / 6));
        mesh.uvs[i] = square.uvs[i % 6];
    }
    return mesh;
}

void writeJet(const std::string& path, const std::vector<std::string>& missing = {}) {
    std::vector<TestMesh> meshes;
    for (const char* name : {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right",
                             "topWing_left", "topWing_right", "hat", "window"})
        if (std::find(missing.begin(), missing.end(), name) == missing.end())
            meshes.push_back(triangles(name, 12));
    writeCollada(path, meshes);
}

template <class Draw> GLuint primitivesDrawn(Draw&& draw) {
    GLuint query = 0, count = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    return count;
}

void expectMatrixNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-3f) {
    for (int c = 0; c < 16; ++c)
        EXPECT_NEAR(glm::value_ptr(actual)[c], glm::value_ptr(expected)[c], tolerance) << "element " << c;
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

// Angle of a part's turn about its hinge: the part matrix relative to the jet matrix moved to the pivot.
float hingeAngle(const Plane& jet, int part, glm::vec3 pivot, glm::vec3 axis) {
    const glm::mat4 relative =
        glm::inverse(glm::translate(jet.modelMatrix, pivot)) * jet.meshes[part]->modelMatrix;
    const glm::vec3 probe = axis.x > 0.5f ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0);
    const glm::vec3 turned = glm::vec3(relative * glm::vec4(probe, 0.0f));
    return std::atan2(glm::dot(glm::cross(probe, turned), axis), glm::dot(probe, turned)) / degree;
}
const glm::vec3 wingRightPivot(3.02748f, -3.51338f, 0.18247f), xAxis(1, 0, 0), zAxis(0, 0, 1);

class WorldTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        sharedInput = &input;
        folder = makeTempFolder("world");
        writeCollada(folder + "/ring.dae",
                     {triangles("Ring_lod0", 12), triangles("Ring_lod1", 2), triangles("Ring_lod2", 1)});
        writeCollada(folder + "/boost.dae",
                     {triangles("can", 12), triangles("effect", 2), triangles("can_low", 12)});
        writeCollada(folder + "/hat.dae", {triangles("hat_low", 2), triangles("hat", 12)});
        writeJet(folder + "/jet.dae");
        physics = std::make_unique<PhysxHandler>();
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        plane.reset();
        physics.reset();
        sharedInput = nullptr;
        GlTest::TearDown();
    }
    std::unique_ptr<Ring> makeRing(const std::string& file = "/ring.dae") {
        return std::make_unique<Ring>(glm::mat4(1.0f), &color, folder + file, physics.get());
    }
    // Pieces of 200 x 200 model units, cells x cells quads each.
    std::unique_ptr<Terrain> makeTerrain(
        const std::vector<PiecePlace>& pieces, const HeightField& height = [](float, float) { return 16.0f; },
        int cells = 4) {
        std::vector<TestMesh> meshes;
        for (const PiecePlace& piece : pieces) {
            TestMesh mesh;
            mesh.name = piece.name;
            auto point = [&](int i, int j) {
                const float x = piece.cx - 100 + i * 200.0f / cells, y = piece.cy - 100 + j * 200.0f / cells;
                return glm::vec3(x, y, height(x, y));
            };
            for (int j = 0; j < cells; ++j)
                for (int i = 0; i < cells; ++i)
                    for (const glm::ivec2 c : {glm::ivec2(0, 0), {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}}) {
                        mesh.positions.push_back(point(i + c.x, j + c.y));
                        mesh.normals.push_back({0, 0, 1});
                    }
            meshes.push_back(mesh);
        }
        writeCollada(folder + "/terrain.dae", meshes);
        return std::make_unique<Terrain>(terrainPose, &color, folder + "/terrain.dae", 10.0f, physics.get());
    }
    // A model path starting "./" is the run folder's, otherwise the test folder's.
    Plane& makePlane(const std::string& model = "/jet.dae") {
        plane.reset();
        const std::string path = model.rfind("./", 0) == 0 ? model : folder + model;
        plane = std::make_unique<Plane>(glm::mat4(1.0f), &basic, path, "./Textures/fa-18-uv.png",
                                        "./Textures/fa-18-glow.png", physics.get());
        return *plane;
    }
    void freshWorld() {
        plane.reset();
        physics = std::make_unique<PhysxHandler>();
    }
    void fly(
        int frames, float dt = frame, const std::function<bool()>& done = [] { return false; }) {
        for (int i = 0; i < frames && !done(); ++i) {
            plane->update(dt, window);
            physics->step(dt);
        }
    }
    float forwardSpeed() const {
        const btVector3 v = plane->actor->getLinearVelocity();
        return glm::dot(glm::vec3(v.x(), v.y(), v.z()),
                        forwardAxis(PhysxHandler::getGlobalRotation(plane->actor)));
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
            physics->step(frame);
        }
    }

    InputState input;
    std::string folder;
    Shader color{COLOR, "./Shader/color.vert", "./Shader/color.frag"};
    Shader basic{BASIC, "./Shader/basic.vert", "./Shader/basic.frag"};
    std::unique_ptr<PhysxHandler> physics;
    std::unique_ptr<Plane> plane;
    btRigidBody* jet = nullptr;
};

using PlaneTest = WorldTest;

} // namespace

// The jet asks for the same motion at any frame rate: settled speeds and turn rate are those of 60 fps.
TEST_F(PlaneTest, SettledSpeedsAndTurnRateDoNotDependOnTheFrameTime) {
    for (const float dt : {1 / 10.0f, 1 / 15.0f, 1 / 20.0f, 1 / 30.0f, 1 / 60.0f, 1 / 144.0f}) {
        SCOPED_TRACE(testing::Message() << "dt 1/" << std::lround(1 / dt));
        freshWorld();
        Plane& jet = makePlane();
        input = InputState{};
        const int second = static_cast<int>(std::lround(1 / dt));
        ASSERT_EQ(physics->planeActor, jet.actor);
        fly(6 * second, dt);
        EXPECT_NEAR(forwardSpeed(), 49.17f, 49.17f * 0.005f);
        EXPECT_NEAR(jet.actor->getAngularVelocity().length(), 0.0f, 1e-5f);
        jet.update(dt, window);
        // The model's nose (+y) points along the body's forward axis, and the matrix sits at the body.
        EXPECT_NEAR(glm::normalize(glm::vec3(jet.modelMatrix * glm::vec4(0, 1, 0, 0))).z, 1.0f, 1e-5f);
        EXPECT_LT(glm::distance(glm::vec3(jet.modelMatrix[3]), PhysxHandler::getGlobalPosition(jet.actor)),
                  1e-3f);
        input.boostButton = 1;
        jet.boostReserve = 100.0f; // long enough to settle
        fly(8 * second, dt);
        EXPECT_NEAR(forwardSpeed(), 245.8f, 245.8f * 0.005f);
        input.boostButton = 0;
        input.yawAxis = 1.0f;
        fly(2 * second, dt);
        EXPECT_NEAR(jet.actor->getAngularVelocity().length() / degree, 75.0f, 75.0f * 0.005f);
        EXPECT_GT(forwardAxis(PhysxHandler::getGlobalRotation(jet.actor)).x, 0.3f); // Q yaws left, toward +x
    }
}

// A scripted 20-second flight high above the ground ends where and heading where it ends at 60 fps.
TEST_F(PlaneTest, ScriptedFlightEndsAtTheSamePlaceAtAnyFrameRate) {
    struct Flight {
        glm::vec3 position, forward;
        float distance;
    };
    auto flyScript = [&](float dt) {
        freshWorld();
        makePlane();
        physics->setGlobalPose(plane->actor, {0, 5000, 0});
        float distance = 0;
        for (int i = 0; i < std::lround(20 / dt); ++i) {
            const double t = (i + 0.5) * dt;
            auto during = [t](int from, int to) { return t > from && t < to; }; // whole seconds for every dt
            input.pitchAxis = during(2, 4) ? 1.0f : during(10, 11) ? -1.0f : 0.0f;
            input.rollAxis = during(4, 5) ? 1.0f : during(11, 12) ? -1.0f : 0.0f;
            input.yawAxis = during(5, 7) ? 1.0f : during(12, 13) ? -1.0f : 0.0f;
            input.boostButton = during(7, 10);
            const glm::vec3 before = PhysxHandler::getGlobalPosition(plane->actor);
            fly(1, dt);
            distance += glm::distance(before, PhysxHandler::getGlobalPosition(plane->actor));
        }
        return Flight{PhysxHandler::getGlobalPosition(plane->actor),
                      forwardAxis(PhysxHandler::getGlobalRotation(plane->actor)), distance};
    };
    const Flight reference = flyScript(1 / 60.0f);
    for (const int fps : {10, 15, 20, 30, 144}) { // off by a share of the distance flown, and in degrees
        const Flight f = flyScript(1.0f / fps);
        EXPECT_LT(glm::distance(f.position, reference.position) / reference.distance,
                  fps == 10 ? 0.03f : 0.01f)
            << fps;
        EXPECT_LT(std::acos(std::clamp(glm::dot(f.forward, reference.forward), -1.0f, 1.0f)) / degree,
                  fps == 10 ? 5 : 2)
            << fps;
    }
}

TEST_F(PlaneTest, BoostApproaches250AndTheReserveLastsFiveSeconds) {
    Plane& jet = makePlane();
    input.boostButton = 1;
    int boostedFrames = 0;
    float speedBeforeEmpty = 0;
    for (; jet.boostReserve > 0.0f && boostedFrames < 1000; ++boostedFrames) {
        speedBeforeEmpty = forwardSpeed();
        fly(1);
    }
    EXPECT_NEAR(boostedFrames, 300, 1);
    EXPECT_NEAR(speedBeforeEmpty, 245.83f, 2.0f); // 99 % of the settled boost speed after 5 s
    EXPECT_GT(jet.boostReserve, -frame);
    const float emptyReserve = jet.boostReserve;
    fly(600);
    EXPECT_EQ(jet.boostReserve, emptyReserve); // held boost with no reserve is plain cruise
    EXPECT_NEAR(forwardSpeed(), 49.1665f, 0.05f);
    jet.boostReserve = 5.0f; // released half way, the rest is kept
    fly(150);
    input.boostButton = 0;
    fly(60);
    EXPECT_NEAR(jet.boostReserve, 2.5f, 1e-4f);
}

TEST_F(PlaneTest, ControlSurfacesFollowTheInputRollAndPitchTurnWithTheirSignsAndNotAfterTheCrash) {
    Plane& jet = makePlane();
    const glm::vec3 wingLeftPivot(-3.02748f, -3.51338f, 0.18247f), rearPivot(1.82155f, -6.70701f, 0.01233f),
        finPivot(-1.21618f, -5.60603f, 1.4479f);
    input.rollAxis = input.pitchAxis = 1.0f;
    input.yawAxis = -1.0f;
    jet.update(frame, window);
    EXPECT_NEAR(hingeAngle(jet, jet.wingRight, wingRightPivot, xAxis), 22.0f, 1e-3f);
    EXPECT_NEAR(hingeAngle(jet, jet.wingLeft, wingLeftPivot, xAxis), -22.0f, 1e-3f);
    EXPECT_NEAR(hingeAngle(jet, jet.rearWingRight, rearPivot, xAxis), -10.0f, 1e-3f);
    EXPECT_NEAR(hingeAngle(jet, jet.topWingLeft, finPivot, zAxis), 22.0f, 1e-3f);
    input = InputState{};
    jet.update(frame, window);
    EXPECT_NEAR(hingeAngle(jet, jet.wingRight, wingRightPivot, xAxis), 0.0f, 1e-4f);
    EXPECT_NEAR(hingeAngle(jet, jet.topWingLeft, finPivot, zAxis), 0.0f, 1e-4f);
    EXPECT_EQ(jet.meshes[jet.body]->modelMatrix, jet.modelMatrix);
    EXPECT_EQ(jet.meshes[jet.hatMesh]->modelMatrix, glm::translate(jet.modelMatrix, {0, 2.87214f, 1.31086f}));
    input.rollAxis = 1.0f;
    fly(30);
    EXPECT_GT(sideAxis(PhysxHandler::getGlobalRotation(jet.actor)).y, 0.3f); // the left wing rises
    input.rollAxis = 0.0f;
    fly(60);
    input.pitchAxis = 1.0f;
    fly(30);
    EXPECT_GT(forwardAxis(PhysxHandler::getGlobalRotation(jet.actor)).y, 0.3f);
    // After the crash inputs neither turn nor boost; the surfaces still follow them.
    input = InputState{};
    fly(120);
    const float cruising = forwardSpeed();
    jet.crashed = true;
    input.rollAxis = input.pitchAxis = input.yawAxis = 1.0f;
    input.boostButton = 1;
    fly(60);
    EXPECT_NEAR(jet.actor->getAngularVelocity().length(), 0.0f, 1e-6f);
    EXPECT_EQ(jet.boostReserve, 5.0f);
    EXPECT_LT(forwardSpeed(), cruising * 0.5f);
    EXPECT_NEAR(hingeAngle(jet, jet.wingRight, wingRightPivot, xAxis), 22.0f, 1e-3f);
}

TEST_F(PlaneTest, HatIsDrawnOnlyOnceWornAndMissingPartsOrFilesAreSkipped) {
    Plane& jet = makePlane();
    jet.update(frame, window);
    EXPECT_EQ(primitivesDrawn([&] { jet.drawWithShader(); }), 8u * 12u);
    jet.wearsHat = true;
    EXPECT_EQ(primitivesDrawn([&] { jet.drawWithShader(); }), 9u * 12u);
    EXPECT_EQ(primitivesDrawn([&] { jet.drawWithSpecular(-1, -1); }), 9u * 12u);
    writeJet(folder + "/partial.dae", {"wing_left", "hat", "window"});
    Plane& partial = makePlane("/partial.dae");
    EXPECT_EQ(std::vector<int>({partial.wingLeft, partial.hatMesh, partial.windowMesh}),
              std::vector<int>(3, -1));
    EXPECT_GE(partial.wingRight, 0);
    input.rollAxis = 1.0f;
    partial.wearsHat = true;
    fly(10);
    EXPECT_EQ(primitivesDrawn([&] { partial.drawWithShader(); }), 6u * 12u);
    freshWorld();
    Plane& none = makePlane("/no-such-file.dae"); // flies but draws nothing
    EXPECT_TRUE(none.meshes.empty());
    const float z = PhysxHandler::getGlobalPosition(none.actor).z;
    fly(60);
    EXPECT_GT(PhysxHandler::getGlobalPosition(none.actor).z, z + 10.0f);
    EXPECT_EQ(primitivesDrawn([&] { none.drawWithShader(), none.drawWithSpecular(-1, -1), none.draw(); }),
              0u);
}

TEST_F(PlaneTest, GaugeFillsWithTheReserveAndRestoresDepthWrites) {
    Plane& jet = makePlane();
    // The bar spans x -0.9..-0.5, y -0.9..-0.8 in device coordinates: read a quarter and three quarters
    // along.
    auto barPixels = [&](float reserve) {
        jet.boostReserve = reserve;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        jet.drawBoostGauge();
        const int row = static_cast<int>(0.075f * height);
        return std::make_pair(readPixels(width / 10, row, 1, 1), readPixels(width / 5, row, 1, 1));
    };
    const auto half = barPixels(2.5f), full = barPixels(5.0f);
    EXPECT_NE(half.first, half.second);
    EXPECT_NE(half.first, std::vector<unsigned char>({0, 0, 0, 255}));
    EXPECT_EQ(full.first, full.second);
    EXPECT_EQ(full.first, half.first);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
}

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
        EXPECT_LT(glm::distance(glm::vec4(p.a, p.b, p.h, p.turn), glm::vec4(c.a, c.b, c.h, c.turn)), 0.01f)
            << c.second;
    }
    std::srand(12345); // four bytes of rand() % 255, lowest first, from glibc's sequence
    EXPECT_EQ(randomWord(), 0x4C7192DBu);
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

TEST_F(WorldTest, RingIsPlacedWhereTheClockAndTheRandomWordsSayAndKeepsOutOfTheTerrain) {
    auto ring = makeRing();
    ASSERT_EQ(physics->ringActor, ring->actor);
    std::srand(77);
    const std::uint32_t heightWord = randomWord(), turnWord = randomWord();
    const Placement expected = computePlacement(0, 0, heightWord, turnWord);
    std::srand(77);
    ring->reposition();
    const glm::vec3 body = PhysxHandler::getGlobalPosition(ring->actor);
    EXPECT_LT(glm::distance(glm::vec3(ring->modelMatrix[3]), body), 1e-3f);
    EXPECT_NEAR(body.y, -expected.h, 1e-4f); // the ring's quarter turn is positive: height -h
    EXPECT_LE(std::max(std::abs(body.x), std::abs(body.z)), 999.0f);
    // The random turn is about the world vertical: the model's x axis stays level.
    const glm::vec3 x(ring->modelMatrix[0]);
    EXPECT_NEAR(x.y, 0.0f, 1e-5f);
    EXPECT_NEAR(std::remainder(std::atan2(x.z, x.x) - expected.turn, 6.2831855f), 0.0f, 1e-4f);

    auto open = makeTerrain({{"Grid_right", 0, 200}, {"Grid", 0, 0}});
    EXPECT_EQ(randCallsOf([&] { makeRing(); }), 8); // open ground: one place, two random words
    // "Grid_right" over the whole placement area, 100 above every place: the loop gives up after the bound.
    auto covering = makeTerrain({{"Grid_right", 0, 0}, {"Grid", 0, 200}}, [](float, float) { return 40.0f; });
    EXPECT_EQ(randCallsOf([&] { ring = makeRing(); }), 8 * maxPlacementAttempts);
    EXPECT_TRUE(terrainAbove(*physics, ring->actor, rightTile));
}

TEST_F(WorldTest, FlyingThroughRaisesRingPassedAndAHillOfAnOuterPieceRingInTerrain) {
    auto ring = makeRing();
    makePlane();
    physics->setGlobalPose(ring->actor, {0, 0, 60});
    fly(90);
    EXPECT_FALSE(physics->ringPassed);
    fly(60);
    EXPECT_TRUE(physics->ringPassed);
    EXPECT_FALSE(physics->ringInTerrain);
    auto hill = [](float x, float y) {
        return 16.0f + 20.0f * std::exp(-(x * x + (y + 200) * (y + 200)) / 400.0f);
    };
    auto terrain = makeTerrain(allPieces, hill, 8);
    physics->setGlobalPose(ring->actor, {0, 52, 2000}); // cutting the hill's top at 60, over "Grid_left"
    physics->step(frame);
    EXPECT_TRUE(physics->ringInTerrain);
    // The upward ray test only looks at the centre piece: this the physics report alone catches.
    EXPECT_FALSE(terrainAbove(*physics, ring->actor));
}

TEST_F(WorldTest, DetailFollowsTheDistanceAndObjectsSpinAndDrawWithTheirOwnMatrices) {
    auto ring = makeRing();
    Boost can(glm::mat4(1.0f), &color, folder + "/boost.dae", physics.get());
    Hat hat(glm::mat4(1.0f), &color, folder + "/hat.dae", physics.get());
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
    auto meshAt = [&](char object, float distance) -> std::string {
        if (object == 'r')
            return ring->selectLevel(distance), "Ring_lod" + std::to_string(ring->currentLevel);
        if (object == 'c')
            return can.selectCan(distance), can.meshes[can.currentCan]->name;
        return hat.selectMesh(distance), hat.meshes[hat.currentMesh]->name;
    };
    for (const Case& c : cases)
        EXPECT_EQ(meshAt(c.object, c.distance), c.mesh) << c.object << " at " << c.distance;
    ring->selectLevel(350);
    EXPECT_EQ(ring->getIndexCount(), 3u);
    EXPECT_EQ(primitivesDrawn([&] { ring->drawWithShader(), ring->draw(); }), 2u);
    ring->selectLevel(0);
    EXPECT_EQ(ring->getIndexCount(), 36u);
    EXPECT_EQ(primitivesDrawn([&] { ring->drawWithMaterial(-1, -1, -1); }), 12u);
    for (const auto& mesh : ring->meshes)
        EXPECT_EQ(mesh->uvBuffer, 0u) << "the colour program takes no texture coordinates";

    // Spin and draw with their own matrices.
    ASSERT_EQ(physics->boostActor, can.actor);
    ASSERT_EQ(physics->hatActor, hat.actor);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(glm::length(glm::vec3(can.modelMatrix[c])), 15.0f, 1e-3f);
    EXPECT_NEAR(glm::length(glm::vec3(hat.modelMatrix[0])), 10.0f, 1e-3f);
    // The pickups' quarter turn is negative: the centre is at (a, h, -b), h within the random range.
    const glm::vec3 centre = PhysxHandler::getGlobalPosition(can.actor);
    EXPECT_LT(glm::distance(centre, glm::vec3(can.modelMatrix[3])), 1e-3f);
    EXPECT_TRUE(centre.y >= -20.0f && centre.y <= 19.85f) << centre.y;
    EXPECT_NEAR(glm::vec3(can.modelMatrix[2]).y, 15.0f, 1e-3f); // model z is the world vertical

    // One second: ring and can a quarter turn, the hat a half; the ring's trigger stays put.
    const glm::mat4 ringStart = ring->modelMatrix, canStart = can.modelMatrix, hatStart = hat.modelMatrix;
    const glm::vec3 actorBefore = PhysxHandler::getGlobalPosition(ring->actor);
    ring->update(1.0f, window);
    can.update(1.0f, window);
    hat.update(1.0f, window);
    expectMatrixNear(ring->modelMatrix, glm::rotate(ringStart, 0.7853982f, glm::vec3(0, 1, 0)), 1e-4f);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(ring->actor), actorBefore);
    expectMatrixNear(can.modelMatrix, glm::rotate(canStart, 0.7853982f, zAxis));
    expectMatrixNear(can.meshes[can.canMesh]->modelMatrix, can.modelMatrix);
    const glm::mat4 tumble = glm::rotate(glm::mat4(1.0f), 3.1415927f, glm::normalize(glm::vec3(1, 1, 1)));
    expectMatrixNear(can.meshes[can.effectMesh]->modelMatrix, can.modelMatrix * tumble);
    expectMatrixNear(hat.modelMatrix, glm::rotate(hatStart, 1.5707964f, zAxis));

    can.selectCan(50.0f);
    EXPECT_EQ(primitivesDrawn([&] { can.drawWithShader(); }), 12u + 2u); // "can_low" and the effect
    EXPECT_EQ(can.drawnIndexCount(), 3 * 14u);
    expectMatrixNear(modelUniform(color), can.meshes[can.effectMesh]->modelMatrix, 1e-4f);
    GLfloat glow = -1.0f;
    glGetUniformfv(color.programId, color.glowLoc, &glow);
    EXPECT_EQ(glow, 0.0f);
    EXPECT_EQ(primitivesDrawn([&] { can.draw(); }), 14u);
    hat.selectMesh(250.0f);
    EXPECT_EQ(primitivesDrawn([&] { hat.drawWithShader(); }), 2u);
    EXPECT_EQ(hat.drawnIndexCount(), 6u);
    expectMatrixNear(modelUniform(color), hat.modelMatrix, 1e-4f);
}

TEST_F(WorldTest, MissingModelsDrawWhatTheyHave) {
    writeCollada(folder + "/empty.dae", {});
    writeCollada(folder + "/effect-only.dae", {triangles("effect", 2), triangles("Can", 2)});
    writeCollada(folder + "/cap.dae", {triangles("cap", 2)});
    for (const char* file : {"/empty.dae", "/absent.dae"}) {
        auto ring = makeRing(file);
        ring->selectLevel(10);
        ring->update(0.5f, window);
        EXPECT_EQ(primitivesDrawn(
                      [&] { ring->draw(), ring->drawWithShader(), ring->drawWithMaterial(-1, -1, -1); }),
                  0u);
        ring->currentLevel = 5;
        EXPECT_EQ(ring->levelCount + ring->getIndexCount(), 0u) << file;
    }
    // A can file with only its effect draws the effect; a hat file without its meshes draws nothing.
    for (float distance : {10.0f, 50.0f, 150.0f})
        for (const auto& [file, drawn] : {std::pair{"/effect-only.dae", 2u}, {"/absent.dae", 0u}}) {
            Boost can(glm::mat4(1.0f), &color, folder + file, physics.get());
            Hat hat(glm::mat4(1.0f), &color, folder + (drawn ? "/cap.dae" : file), physics.get());
            can.selectCan(distance);
            hat.selectMesh(distance);
            can.update(0.1f, window);
            EXPECT_EQ(
                primitivesDrawn([&] { can.drawWithShader(), can.draw(), hat.draw(), hat.drawWithShader(); }),
                2 * drawn)
                << file << " at " << distance;
            EXPECT_EQ(can.drawnIndexCount() + hat.drawnIndexCount(), 3 * drawn) << file << " at " << distance;
        }
    Terrain terrain(terrainPose, &color, folder + "/absent.dae", 10.0f, physics.get());
    EXPECT_TRUE(terrain.meshes.empty());
    EXPECT_EQ(terrain.drawTiles(nullptr, true) + terrain.getIndexCount(), 0u);
    for (btRigidBody* actor : physics->terrainTileActors)
        EXPECT_EQ(actor, nullptr);
}

TEST_F(WorldTest, JetEnteringAPickupRaisesItsFlagAndACollectedHatLeavesTheWorld) {
    Boost can(glm::mat4(1.0f), &color, folder + "/boost.dae", physics.get());
    physics->setGlobalPose(can.actor, {0, 0, 40});
    flyJetBody(15); // the nose, 8.5 ahead, is still short of the sphere (radius 10)
    EXPECT_FALSE(physics->boostCollected);
    flyJetBody(30);
    EXPECT_TRUE(physics->boostCollected);
    Hat hat(glm::mat4(1.0f), &color, folder + "/hat.dae", physics.get());
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

TEST_F(WorldTest, NinePiecesStandAtTheirGridPlacesAndAreCulledByTheirOwnSpheres) {
    constexpr unsigned int perPiece = 4 * 4 * 2 * 3;
    auto terrain = makeTerrain(allPieces);
    ASSERT_EQ(terrain->meshes.size(), 9u);
    for (int slot = 0; slot < Terrain::tileCount; ++slot) {
        EXPECT_NE(terrain->tileActors[slot], nullptr) << Terrain::tileNames[slot];
        EXPECT_EQ(physics->terrainTileActors[slot], terrain->tileActors[slot]);
    }
    EXPECT_EQ(terrain->tileOffsets[4], glm::vec3(-2000, 0, 2000)); // "Grid_topleft"
    EXPECT_EQ(terrain->tileOffsets[0], glm::vec3(0, 0, -2000));    // "Grid_right"
    EXPECT_FLOAT_EQ(terrain->boundingRadius, 1500.0f);
    const btRigidBody* topLeft = physics->terrainTileActors[4];
    auto hit = PhysxHandler::raycastUp(topLeft, topLeft, {-2000, -300, 2000});
    ASSERT_TRUE(hit.has_value());
    EXPECT_NEAR(-300 + *hit, -140.0f, 0.01f);
    EXPECT_FALSE(PhysxHandler::raycastUp(topLeft, topLeft, {2000, -300, 2000}).has_value());
    unsigned int all = 0;
    EXPECT_EQ(primitivesDrawn([&] { all = terrain->drawTiles(nullptr, true); }), 9 * perPiece / 3);
    EXPECT_EQ(all, terrain->getIndexCount());
    EXPECT_EQ(all, 9 * perPiece);
    ViewFrustum frustum;
    frustum.setInternals(10.0f * degree, 16.0f / 9.0f, 0.1f, 1200.0f);
    frustum.setCamera({0, 1000, 0}, {0, 0, 0}, {0, 0, -1}); // narrow, straight down over the centre piece
    EXPECT_EQ(terrain->drawTiles(&frustum, false), perPiece);
    EXPECT_EQ(terrain->drawTiles(&frustum, true), 9 * perPiece);
    frustum.setCamera({0, 0, 20000}, {0, 0, 30000}, {0, 1, 0}); // far out, looking away
    EXPECT_EQ(terrain->drawTiles(&frustum, false), 0u);

    // Fewer pieces and an unknown one: each is drawn and culled at its own place, known ones get bodies.
    terrain.reset();
    freshWorld();
    terrain = makeTerrain({{"Grid", 0, 0}, {"Rock", 0, 0}, {"Grid_left", 0, -200}, {"Grid_right", 0, 200}});
    EXPECT_EQ(primitivesDrawn([&] { all = terrain->drawTiles(nullptr, true); }), 4 * perPiece / 3);
    EXPECT_EQ(all, 4 * perPiece);
    EXPECT_EQ(std::count_if(physics->terrainTileActors.begin(), physics->terrainTileActors.end(),
                            [](btRigidBody* actor) { return actor != nullptr; }),
              3);
    EXPECT_EQ(physics->terrainTileActors[8], terrain->tileActors[8]);
    EXPECT_EQ(terrain->meshOffsets[2], glm::vec3(0, 0, 2000));
    std::vector<PiecePlace> eleven = allPieces;
    eleven.insert(eleven.end(), {{"Extra", 0, 0}, {"More", 0, 0}});
    EXPECT_EQ(makeTerrain(eleven)->drawTiles(nullptr, true), 9 * perPiece);
}

TEST_F(WorldTest, JetFlownIntoAHillRaisesTheCrashFlag) {
    // A ridge across the jet's path at world z = 400, rising to world height 160.
    auto ridge = [](float, float y) {
        return 16.0f + 30.0f * std::exp(-std::pow((y + 40.0f) / 15.0f, 2.0f));
    };
    auto terrain = makeTerrain({{"Grid", 0, 0}}, ridge, 40);
    makePlane();
    fly(1200, frame, [&] { return physics->planeCrashed; });
    ASSERT_TRUE(physics->planeCrashed);
    // The nose (8.5 ahead) meets the ridge's flank about z = 269 (the 5-unit cells blur it a little).
    const float nose = PhysxHandler::getGlobalPosition(plane->actor).z + 8.5f;
    EXPECT_TRUE(nose > 240.0f && nose < 280.0f) << nose;
    EXPECT_FALSE(physics->ringPassed || physics->ringInTerrain || physics->boostCollected ||
                 physics->hatCollected);
}

TEST_F(WorldTest, ShadowPassDrawsOnlyThePiecesTheSunSeesAndTheMapStaysTheSame) {
    auto hills = [](float x, float y) { return 16.0f + 12.0f * std::sin(x / 37.0f) * std::cos(y / 23.0f); };
    auto terrain = makeTerrain(allPieces, hills, 8);
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
        const unsigned int drawn = all ? (terrain->draw(), 0u) : terrain->drawShadowTiles(shadowMap);
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
        SCOPED_TRACE(testing::Message() << view.camera.x << ", " << view.camera.z);
        renderMap(view.camera, everything, true);
        const unsigned int drawn = renderMap(view.camera, chosen, false);
        EXPECT_TRUE(drawn >= view.leastPieces * perPiece && drawn <= view.mostPieces * perPiece) << drawn;
        EXPECT_EQ(drawn % perPiece, 0u);
        EXPECT_EQ(everything, chosen) << "the map changed";
        const size_t shaded =
            std::count_if(everything.begin(), everything.end(), [](float d) { return d < 1; });
        EXPECT_EQ(shaded > texels / 10, view.mostPieces > 0) << shaded;
        EXPECT_TRUE(shaded == 0 || view.mostPieces > 0) << shaded;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The generated models as the game builds them, flown together for ten seconds through the start valley.
TEST_F(WorldTest, JetFliesTheStartValleyWhileRingAndPickupsStayOutOfTheTerrain) {
    Terrain terrain(terrainPose, &color, "./Models/terrain.dae", 10.0f, physics.get());
    Ring ring(glm::mat4(1.0f), &color, "./Models/Ring.dae", physics.get());
    Plane& jet = makePlane("./Models/fa-18.dae");
    Boost boost(glm::mat4(1.0f), &color, "./Models/boost.dae", physics.get());
    Hat hat(glm::mat4(1.0f), &color, "./Models/hat.dae", physics.get());
    ASSERT_FALSE(terrain.meshes.empty() || ring.meshes.empty() || jet.meshes.empty() ||
                 boost.meshes.empty() || hat.meshes.empty());
    for (btRigidBody* actor : {ring.actor, boost.actor, hat.actor})
        EXPECT_FALSE(terrainAbove(*physics, actor));
    for (int i = 0; i < 600; ++i) {
        jet.update(frame, window);
        const glm::vec3 at(jet.modelMatrix[3]);
        ring.update(frame, window);
        ring.selectLevel(glm::distance(at, glm::vec3(ring.modelMatrix[3])));
        boost.update(frame, window);
        boost.selectCan(glm::distance(at, glm::vec3(boost.modelMatrix[3])));
        hat.update(frame, window);
        hat.selectMesh(glm::distance(at, glm::vec3(hat.modelMatrix[3])));
        physics->step(frame);
    }
    EXPECT_FALSE(physics->planeCrashed);
    EXPECT_GT(PhysxHandler::getGlobalPosition(jet.actor).z, 400.0f);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(jet.actor).x, 0.0f, 1e-3f);
}
