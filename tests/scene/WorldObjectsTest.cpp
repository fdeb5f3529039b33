// Jet, ring, pickups, terrain and their placement: small model files, a real GL context and physics world.
#include "scene/Boost.h"
#include "scene/FlightModel.h"
#include "scene/Hat.h"
#include "scene/Placement.h"
#include "scene/Plane.h"
#include "scene/Ring.h"
#include "scene/ShadowMap.h"
#include "scene/Terrain.h"
#include "support/GlContext.h"
#include "support/TestModels.h"
#include "tools/assetgen/AircraftModel.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <tuple>

using namespace tavo::scene;
using tavo::util::PhysxHandler;

namespace {

constexpr float frame = 1.0f / 60.0f;
using PiecePlace = std::tuple<const char*, float, float>; // name, model-space centre
// The nine pieces in the game's slot order, at their model-space places.
const std::vector<PiecePlace> allPieces = {{"Grid_right", 0, 200},         {"Grid_bottomright", 200, 200},
                                           {"Grid_bottomleft", 200, -200}, {"Grid_topright", -200, 200},
                                           {"Grid_topleft", -200, -200},   {"Grid_top", -200, 0},
                                           {"Grid_bottom", 200, 0},        {"Grid", 0, 0},
                                           {"Grid_left", 0, -200}};

// A mesh of n triangles (stacked squares' halves, with texture coordinates).
TestMesh triangles(const std::string& name, int n) {
    TestMesh mesh = squareMesh(name);
    for (int i = 6; i < 3 * n; ++i)
        mesh.positions.push_back(mesh.positions[i % 6] + glm::vec3(0, 0, 0.1f * (i / 6))),
            mesh.normals.push_back(mesh.normals[0]), mesh.uvs.push_back(mesh.uvs[i % 6]);
    mesh.positions.resize(3 * n), mesh.normals.resize(3 * n), mesh.uvs.resize(3 * n);
    return mesh;
}

template <class Draw> GLuint primitivesDrawn(Draw&& draw) {
    GLuint query = 0, count = 0;
    glGenQueries(1, &query), glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED), glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    return count;
}

const glm::vec3 xAxis(1, 0, 0), zAxis(0, 0, 1);

struct WorldTest : GlTest {
    WorldTest() {
        sharedInput = &input;
        writeCollada(folder + "/ring.dae",
                     {triangles("Ring_lod0", 12), triangles("Ring_lod1", 2), triangles("Ring_lod2", 1)});
        writeCollada(folder + "/boost.dae",
                     {triangles("can", 12), triangles("effect", 2), triangles("can_low", 12)});
        writeCollada(folder + "/hat.dae", {triangles("hat_low", 2), triangles("hat", 12)});
        std::vector<TestMesh> jet;
        for (const char* name : {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right",
                                 "topWing_left", "topWing_right", "hat", "window"})
            jet.push_back(triangles(name, 12));
        writeCollada(folder + "/jet.dae", jet);
    }
    ~WorldTest() override { sharedInput = nullptr; }
    // Flat pieces of 200 x 200 model units at height 16 (world -140), 4 x 4 quads each.
    std::unique_ptr<Terrain> makeTerrain(const std::vector<PiecePlace>& pieces) {
        std::vector<TestMesh> meshes;
        for (const auto& [name, x, y] : pieces) {
            TestMesh& mesh = meshes.emplace_back(TestMesh{name, {}, {}, {}});
            for (int q = 0; q < 16; ++q) // quad q % 4 across, q / 4 down
                for (const glm::ivec2 c : {glm::ivec2(0, 0), {50, 0}, {50, 50}, {0, 0}, {50, 50}, {0, 50}})
                    mesh.positions.emplace_back(x - 100 + q % 4 * 50 + c.x, y - 100 + q / 4 * 50 + c.y, 16);
            mesh.normals.assign(mesh.positions.size(), glm::vec3(0, 0, 1));
        }
        writeCollada(folder + "/terrain.dae", meshes);
        // The game's pose: model (x, y, z) lies at world (10 x, 10 z - 300, -10 y).
        const glm::mat4 pose = glm::scale(glm::translate(glm::mat4(1.0f), {0, -300, 0}), glm::vec3(10));
        return std::make_unique<Terrain>(pose, &color, folder + "/terrain.dae", 10.0f, physics.get());
    }
    // A jet in a world of its own.
    Plane& makePlane() {
        plane.reset();
        physics = std::make_unique<PhysxHandler>();
        plane =
            std::make_unique<Plane>(glm::mat4(1.0f), &basic, folder + "/jet.dae", "./Textures/fa-18-uv.png",
                                    "./Textures/fa-18-glow.png", physics.get());
        return *plane;
    }
    void fly(long frames, float dt = frame) {
        for (long i = 0; i < frames; ++i) {
            const glm::vec3 before = PhysxHandler::getGlobalPosition(plane->actor);
            plane->update(dt, window);
            physics->stepFrame(dt, [this](float part) { plane->fly(part); });
            flown += glm::distance(before, PhysxHandler::getGlobalPosition(plane->actor));
        }
    }
    glm::vec3 heading() const { return forwardAxis(PhysxHandler::getGlobalRotation(plane->actor)); }
    float forwardSpeed() const {
        const btVector3 v = plane->actor->getLinearVelocity();
        return glm::dot(glm::vec3(v.x(), v.y(), v.z()), heading());
    }
    InputState input;
    std::string folder = makeTempFolder("world");
    Shader color{COLOR, "./Shader/color.vert", "./Shader/color.frag"};
    Shader basic{BASIC, "./Shader/basic.vert", "./Shader/basic.frag"};
    Shader depth{SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag"};
    std::unique_ptr<PhysxHandler> physics = std::make_unique<PhysxHandler>();
    std::unique_ptr<Plane> plane; // after physics: its body goes first
    float flown = 0;              // the distance fly moved the jet
};

} // namespace

// One flight per frame time, high up: settled speeds, reserve, turn signs, and its end against 60 fps. Then
// the jet's parts: drawn, in the sun's depth map, following the input; yaw while banked; crashed.
TEST_F(WorldTest, JetFliesAlikeAtAnyFrameTimePartsDrawShadowAndFollowTheInputCrashedItNeitherTurnsNorBoosts) {
    auto flight = [&](float dt) {
        SCOPED_TRACE(testing::Message() << "dt 1/" << std::lround(1 / dt));
        Plane& jet = makePlane();
        physics->setGlobalPose(jet.actor, {0, 5000, 0});
        flown = 0;
        auto phase = [&](int seconds, float pitch, float roll, float yaw, int boost) {
            input.pitchAxis = pitch, input.rollAxis = roll, input.yawAxis = yaw, input.boostButton = boost;
            fly(std::lround(seconds / dt), dt);
            return forwardSpeed();
        };
        EXPECT_NEAR(phase(6, 0, 0, 0, 0), 49.17f, 0.25f);
        EXPECT_NEAR(jet.actor->getAngularVelocity().length(), 0.0f, 1e-5f);
        EXPECT_NEAR(phase(5, 0, 0, 0, 1), 245.8f, 2.5f); // the full reserve lasts five seconds
        EXPECT_NEAR(jet.boostReserve, 0.0f, dt / 2);
        EXPECT_LT(phase(4, 0, 0, 0, 1), 60.0f); // held with nothing left: cruise
        EXPECT_TRUE(jet.boostReserve > -dt && jet.boostReserve <= 0.0f) << jet.boostReserve;
        jet.boostReserve = 5.0f;
        phase(3, 0, 0, 0, 1), phase(1, 0, 0, 0, 0);
        EXPECT_NEAR(jet.boostReserve, 2.0f, 1e-3f); // released, the rest is kept
        phase(2, 0, 0, 1, 0);
        EXPECT_NEAR(jet.actor->getAngularVelocity().length() / degree, 75.0f, 0.4f);
        EXPECT_GT(heading().x, 0.3f); // Q yaws left, toward +x
        phase(1, 0, 0, 0, 0), phase(1, 1, 0, 0, 0);
        EXPECT_GT(heading().y, 0.3f); // S pulls the nose up
        phase(1, -1, 0, 0, 0), phase(1, 0, 0, 0, 0), phase(1, 0, 1, 0, 0);
        EXPECT_GT(sideAxis(PhysxHandler::getGlobalRotation(jet.actor)).y, 0.3f); // the left wing rises
        phase(1, 0, -1, 0, 0), phase(2, 0, 0, 0, 0);
        return std::tuple(PhysxHandler::getGlobalPosition(jet.actor), heading(), flown);
    };
    const auto [position, forward, distance] = flight(1 / 60.0f);
    for (const int fps : {10, 15, 20, 30, 144}) { // off by a share of the distance flown, and in degrees
        const auto [at, nose, length] = flight(1.0f / fps);
        EXPECT_LT(glm::distance(at, position) / distance, 0.01f) << fps << " flew " << length;
        EXPECT_LT(std::acos(std::clamp(glm::dot(nose, forward), -1.0f, 1.0f)) / degree, 2) << fps;
    }

    Plane& jet = makePlane();
    jet.update(frame, window);
    for (const GLuint worn : {0, 1}) {
        jet.wearsHat = worn;
        EXPECT_EQ(primitivesDrawn([&] { jet.drawWithShader(); }), 96 + 12 * worn);
        EXPECT_EQ(primitivesDrawn([&] { jet.drawWithSpecular(-1, -1); }), 96 + 12 * worn);
    }
    jet.boostReserve = 2.0f; // the gauge shows the share of a full reserve left
    jet.drawBoostGauge();
    GLfloat shown = 0.0f;
    glGetUniformfv(jet.boostGaugeShader->programId, jet.amountLocation, &shown);
    EXPECT_EQ(std::pair(shown, states({GL_DEPTH_WRITEMASK})), std::pair(0.4f, std::vector<GLint>{GL_TRUE}));
    jet.boostReserve = 5.0f;

    // The sun's depth of the jet, 24 units across in 256 x 256 texels: what the stabilators' turn or the worn
    // hat changes centres on those parts, within a part's reach (2 units), and is there at all.
    const glm::vec3 sun = glm::normalize(glm::vec3(1.0f, -0.5f, 1.0f)), at(jet.modelMatrix[3]);
    ShadowMap shadowMap(glm::mat4(1.0f), &sun, &depth);
    const glm::mat4 sunView = glm::ortho(-12.0f, 12.0f, -12.0f, 12.0f, 1.0f, 200.0f) *
                              glm::lookAt(at - 100.0f * sun, at, glm::vec3(0, 1, 0));
    glUniformMatrix4fv(glGetUniformLocation(depth.programId, "projection"), 1, GL_FALSE,
                       glm::value_ptr(glm::mat4(1.0f)));
    glUniformMatrix4fv(shadowMap.viewLocation, 1, GL_FALSE, glm::value_ptr(sunView));
    glEnable(GL_DEPTH_TEST);
    constexpr int side = 256;
    const auto depthMap = [&](float pitch, bool worn) {
        input.pitchAxis = pitch, jet.wearsHat = worn;
        jet.update(frame, window); // the parts follow the input
        shadowMap.draw();
        glViewport(0, 0, side, side);
        glClear(GL_DEPTH_BUFFER_BIT);
        jet.drawParts(shadowMap.modelLocation);
        std::vector<float> map(side * side);
        glReadPixels(0, 0, side, side, GL_DEPTH_COMPONENT, GL_FLOAT, map.data());
        return map;
    };
    const auto rest = depthMap(0.0f, false);
    const auto offCentre = [&](float pitch, bool worn, glm::vec3 centre) {
        const std::vector<float> changed = depthMap(pitch, worn);
        glm::vec3 sum(0.0f); // the changed texels' centres and their count
        for (int i = 0; i < side * side; ++i)
            if (changed[i] != rest[i])
                sum += glm::vec3(i % side + 0.5f, i / side + 0.5f, 1);
        const glm::vec2 texel = (glm::vec2(sunView * glm::vec4(centre, 1.0f)) * 0.5f + 0.5f) * float(side);
        return sum.z == 0 ? 99.0f : glm::distance(glm::vec2(sum) / sum.z, texel) * 24.0f / side;
    };
    const auto pivot = [&](int part) { return glm::vec3(jet.meshes[part]->modelMatrix[3]); };
    EXPECT_LT(offCentre(1.0f, false, (pivot(jet.rearWingLeft) + pivot(jet.rearWingRight)) / 2.0f), 2);
    EXPECT_LT(offCentre(0.0f, true, pivot(jet.hatMesh)), 2);

    const std::pair<int, glm::vec3> hinges[] = {{jet.wingRight, xAxis},     {jet.wingLeft, xAxis},
                                                {jet.rearWingRight, xAxis}, {jet.rearWingLeft, xAxis},
                                                {jet.topWingLeft, zAxis},   {jet.topWingRight, zAxis}};
    auto angles = [&] { // each part's turn about its hinge, relative to the jet, to 0.01 degrees
        std::vector<float> out;
        for (const auto& [part, axis] : hinges) {
            const glm::vec3 probe(axis.z, axis.x, 0), // across the hinge
                moved = glm::mat3(glm::inverse(jet.modelMatrix) * jet.meshes[part]->modelMatrix) * probe;
            const float angle = std::atan2(glm::dot(glm::cross(probe, moved), axis), glm::dot(probe, moved));
            out.push_back(std::round(angle / degree * 100) / 100);
        }
        return out;
    };
    input.rollAxis = 1.0f, input.pitchAxis = 0.5f, input.yawAxis = -1.0f; // each part follows its own axis
    jet.update(frame, window);
    EXPECT_EQ(angles(), (std::vector<float>{22, -22, -5, -5, 22, 22}));
    // Each moving part's mesh is written about its pivot: turned or not, its origin stays there.
    for (const tavo::assetgen::AircraftPart& part : tavo::assetgen::aircraftPivotParts) {
        const glm::vec3 written(jet.modelMatrix * glm::vec4(part.pivot, 1.0f));
        EXPECT_LT(glm::distance(pivot(jet.findMesh(part.name)), written), 1e-4f) << part.name;
    }
    input = InputState{};
    jet.update(frame, window);
    EXPECT_EQ(angles(), std::vector<float>(6, 0.0f));
    EXPECT_EQ(glm::mat3(jet.meshes[jet.hatMesh]->modelMatrix), glm::mat3(jet.modelMatrix)); // never turns
    // Banked a quarter turn, left wing up: Q turns the nose about the jet's own up axis, toward its left.
    jet.actor->getWorldTransform().setRotation(btQuaternion(btVector3(0, 0, 1), 1.5707964f));
    input.yawAxis = 1.0f;
    fly(30);
    const glm::vec3 nose = heading();
    EXPECT_TRUE(nose.y > 0.3f && std::abs(nose.x) < 1e-3f) << nose.x << " " << nose.y;
    input.yawAxis = 0.0f;
    fly(120);
    const float cruising = forwardSpeed();
    jet.crashed = true;
    input.rollAxis = input.pitchAxis = input.yawAxis = 1.0f, input.boostButton = 1;
    fly(60);
    EXPECT_EQ(std::vector<bool>({jet.actor->getAngularVelocity().length() < 1e-6f, jet.boostReserve == 5.0f,
                                 forwardSpeed() < cruising * 0.5f, angles()[0] == 22.0f}),
              std::vector<bool>(4, true)); // no turn, no boost, slowing; the surfaces still follow
}

TEST(Placement, ClockAndRandomWordsGiveThePlaceTheLoopIsBoundedAndTheTerrainTestNeedsThePieces) {
    // Second and millisecond, the height and turn words; the place a, b, h and the turn.
    const std::tuple<int, int, std::uint32_t, std::uint32_t, glm::vec4> cases[] = {
        {5, 0, 0, 0, {0, 0, -20, 0}},
        {10, 500, 0x80000000u, 0x40000000u, {500, 0, 0, 1.5707964f}},
        {0, 999, 0xFEFEFEFEu, 0, {-999, -999, 19.84f, 0}},
        {6, 300, 0, 0, {60, 300, -20, 0}}};
    for (const auto& [second, millisecond, heightWord, turnWord, place] : cases) {
        const Placement p = computePlacement(second, millisecond, heightWord, turnWord);
        EXPECT_LT(glm::distance(glm::vec4(p.a, p.b, p.h, p.turn), place), 0.01f) << second;
    }
    std::srand(12345); // four bytes of rand() % 255, lowest first, from glibc's sequence
    EXPECT_EQ(randomWord(), 0x4C7192DBu);

    int moves = 0, tries = 0;
    EXPECT_TRUE(placeClear([&] { ++moves; }, [&] { return moves < 3; }));
    EXPECT_FALSE(placeClear([&] { ++tries; }, [] { return true; }));
    EXPECT_EQ(std::pair(moves, tries), std::pair(3, maxPlacementAttempts));
    PhysxHandler physics;
    btRigidBody* ring = physics.createTriggerSphere(11.0f, {0, -320, 0});
    std::vector<bool> above{terrainAbove(physics, ring)}; // no piece yet
    physics.terrainTileActors[centreTile] =
        physics.createTerrainPiece({{-100, -100, 0}, {100, -100, 0}, {100, 100, 0}, {-100, 100, 0}},
                                   {0, 1, 2, 0, 2, 3}, 10.0f, {0, -300, 0});
    above.insert(above.end(),
                 {terrainAbove(physics, ring), terrainAbove(physics, ring, rightTile, centreTile),
                  terrainAbove(physics, nullptr), terrainAbove(physics, ring, 9, 12)});
    physics.setGlobalPose(ring, {0, -280, 0}); // above the piece
    above.push_back(terrainAbove(physics, ring));
    EXPECT_EQ(above, std::vector<bool>({false, true, false, false, false, false}));
}

// Ring, can and hat: placement, detail, spin. The jet raises each trigger as its nose enters and, at boost
// speed in frames of 1/10 to 1/3 s at four phases of a frame's travel, passes each once and hits a ridge.
TEST_F(WorldTest, PickupsArePlacedDetailedAndSpunAndTheJetRaisesEachTriggerOnceAtAnyFrameTimeAndHitsRidges) {
    Plane& jet = makePlane();
    Ring ring(glm::mat4(1.0f), &color, folder + "/ring.dae", physics.get());
    Boost can(glm::mat4(1.0f), &color, folder + "/boost.dae", physics.get());
    Hat hat(glm::mat4(1.0f), &color, folder + "/hat.dae", physics.get());
    // The ring's quarter turn is positive: height -h, turn +turn; the pickups' negative.
    const auto placed = [](auto& object, float sign) {
        std::srand(77);
        const std::uint32_t heightWord = randomWord(), turnWord = randomWord();
        const Placement expected = computePlacement(0, 0, heightWord, turnWord);
        std::srand(77);
        object.reposition();
        const glm::vec3 body = PhysxHandler::getGlobalPosition(object.actor),
                        x = glm::normalize(glm::vec3(object.modelMatrix[0]));
        EXPECT_LT(glm::distance(glm::vec3(object.modelMatrix[3]), body), 1e-3f) << sign;
        EXPECT_NEAR(body.y, -sign * expected.h, 1e-4f) << sign;
        EXPECT_NEAR(std::remainder(std::atan2(x.z, x.x) - sign * expected.turn, 6.2831855f), 0.0f, 1e-4f);
    };
    placed(ring, 1.0f), placed(can, -1.0f), placed(hat, -1.0f);

    const std::tuple<char, float, const char*> cases[] = {
        {'r', 50, "Ring_lod0"},  {'r', 150, "Ring_lod1"}, {'r', 299, "Ring_lod1"},   {'r', 301, "Ring_lod2"},
        {'r', 350, "Ring_lod2"}, {'r', 600, "Ring_lod2"}, {'r', 99.9f, "Ring_lod0"}, {'r', 700, "Ring_lod0"},
        {'c', 50, "can_low"},    {'c', 150, "can"},       {'h', 150, "hat"},         {'h', 250, "hat_low"}};
    for (const auto& [object, distance, mesh] : cases) {
        ring.selectLevel(distance), can.selectCan(distance), hat.selectMesh(distance);
        const std::string name = object == 'r'   ? "Ring_lod" + std::to_string(ring.currentLevel)
                                 : object == 'c' ? can.meshes[can.currentCan]->name
                                                 : hat.meshes[hat.currentMesh]->name;
        EXPECT_EQ(name, mesh) << object << " at " << distance;
    }
    ring.selectLevel(350);
    std::vector<unsigned int> counts{ring.getIndexCount()};
    ring.selectLevel(0), can.selectCan(50.0f), hat.selectMesh(250.0f);
    counts.insert(counts.end(), {ring.getIndexCount(), can.drawnIndexCount(), hat.drawnIndexCount()});
    EXPECT_EQ(counts, std::vector<unsigned int>({3, 36, 42, 6})); // can: "can_low" and the effect

    // One second: ring and can a quarter turn, the hat a half; the ring's trigger stays put.
    const glm::mat4 ringStart = ring.modelMatrix, canStart = can.modelMatrix, hatStart = hat.modelMatrix;
    const glm::vec3 actorBefore = PhysxHandler::getGlobalPosition(ring.actor);
    ring.update(1.0f, window), can.update(1.0f, window), hat.update(1.0f, window);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(ring.actor), actorBefore);
    const glm::mat4 tumble = glm::rotate(glm::mat4(1.0f), 3.1415927f, glm::normalize(glm::vec3(1, 1, 1)));
    const glm::mat4 turned[][2] = {{ring.modelMatrix, glm::rotate(ringStart, 0.7853982f, glm::vec3(0, 1, 0))},
                                   {can.modelMatrix, glm::rotate(canStart, 0.7853982f, zAxis)},
                                   {can.meshes[can.effectMesh]->modelMatrix, can.modelMatrix * tumble},
                                   {hat.modelMatrix, glm::rotate(hatStart, 1.5707964f, zAxis)}};
    for (int i = 0; i < 16; ++i) // matrix i / 4, column i % 4
        EXPECT_LT(glm::distance(turned[i / 4][0][i % 4], turned[i / 4][1][i % 4]), 1e-4f) << i;

    fly(360); // to cruise speed
    // Each sphere a unit past the nose (8.5 ahead): reported in the third frame (0.82 a frame, one late).
    const std::tuple<const char*, btRigidBody*, float, bool PhysxHandler::*> targets[] = {
        {"ring", ring.actor, 11.0f, &PhysxHandler::ringPassed},
        {"can", can.actor, 10.0f, &PhysxHandler::boostCollected},
        {"hat", hat.actor, 10.0f, &PhysxHandler::hatCollected},
        {"ridge", nullptr, 0.0f, &PhysxHandler::planeCrashed}};
    for (const auto& [name, actor, radius, flag] : targets)
        if (actor) { // the ridge comes later
            physics->setGlobalPose(actor,
                                   PhysxHandler::getGlobalPosition(jet.actor) + (9.5f + radius) * heading());
            (*physics).*flag = false; // in case the random place lay on the way here
            fly(2);
            const bool early = (*physics).*flag;
            fly(1);
            EXPECT_EQ(std::make_pair(early, bool((*physics).*flag)), std::make_pair(false, true)) << name;
        }

    std::vector<glm::vec3> ridge; // crest 5 up, z 290 to 310; model (x, y, z) at (x, z + 1000, -y)
    for (const glm::vec2 side : {glm::vec2(-290, -20), {-300, 5}, {-310, -20}})
        ridge.insert(ridge.end(), {{4900, side.x, side.y}, {5100, side.x, side.y}});
    physics->terrainTileActors[0] =
        physics->createTerrainPiece(ridge, {0, 1, 3, 0, 3, 2, 2, 3, 5, 2, 5, 4}, 1.0f, {0, 1000, 0});
    input.boostButton = 1;
    for (const float dt : {0.1f, 0.2f, 1 / 3.0f})
        for (const auto& [name, actor, radius, flag] : targets)
            for (int phase = 0; phase < 4; ++phase) {
                const float speed = 245.83f, ahead = 150 + phase * speed * dt / 4;
                if (actor) // the others, where they lie, change nothing: a trigger has no contact response
                    physics->setGlobalPose(actor, {0, 1000, ahead});
                physics->setGlobalPose(jet.actor, {actor ? 0.0f : 5000.0f, 1000, 0});
                jet.actor->setLinearVelocity({0, 0, speed});
                jet.actor->setAngularVelocity({0, 0, 0});
                jet.boostReserve = 5.0f;
                int seen = 0; // reports, cleared each frame as the world update does
                (*physics).*flag = false;
                for (long i = std::lround((ahead + 250) / speed / dt); i > 0; --i, (*physics).*flag = false)
                    fly(1, dt), seen += (*physics).*flag;
                EXPECT_TRUE(actor ? seen == 1 : seen > 0) // it may bounce off the ridge and touch it again
                    << name << " 1/" << std::lround(1 / dt) << " phase " << phase << ": " << seen;
            }

    auto terrain = makeTerrain(allPieces);
    physics->setGlobalPose(ring.actor, {0, -140, 2000}); // cutting the ground of the outer "Grid_left"
    physics->step(frame);
    // The upward ray test only looks at the centre piece: this the physics report alone catches.
    EXPECT_EQ(std::pair(physics->ringInTerrain, terrainAbove(*physics, ring.actor)), std::pair(true, false));
}

// All nine pieces, four with an unknown one, eleven: each known piece drawn, culled and given a body at its
// own place; the shadow pass draws only the pieces the sun sees and they give the map of all of them.
TEST_F(WorldTest, TerrainPiecesStandAtTheirGridPlacesAndAreCulledByTheirOwnSpheres) {
    constexpr unsigned int perPiece = 4 * 4 * 2 * 3;
    std::vector<PiecePlace> eleven = allPieces;
    eleven.insert(eleven.end(), {{"Extra", 0, 0}, {"More", 0, 0}});
    const std::vector<PiecePlace> four{
        {"Grid", 0, 0}, {"Rock", 0, 0}, {"Grid_left", 0, -200}, {"Grid_right", 0, 200}};
    const std::tuple<std::vector<PiecePlace>, unsigned int, long, glm::vec3> cases[] = {
        {allPieces, 9, 9, {2000, 0, 2000}}, // pieces drawn, bodies, the 3rd mesh's offset
        {four, 4, 3, {0, 0, 2000}},
        {eleven, 9, 9, {2000, 0, 2000}}};
    for (const auto& [pieces, drawnPieces, bodies, offset] : cases) {
        physics = std::make_unique<PhysxHandler>();
        auto terrain = makeTerrain(pieces);
        unsigned int all = 0;
        const GLuint drawn = primitivesDrawn([&] { all = terrain->drawTiles(nullptr, true); });
        EXPECT_EQ(std::vector<unsigned int>({3 * drawn, all, terrain->getIndexCount()}),
                  std::vector<unsigned int>(
                      {drawnPieces * perPiece, drawnPieces * perPiece, unsigned(pieces.size()) * perPiece}));
        const auto& actors = physics->terrainTileActors;
        EXPECT_EQ(std::count(actors.begin(), actors.end(), nullptr), 9 - bodies);
        EXPECT_EQ(actors, terrain->tileActors);
        EXPECT_EQ(terrain->meshOffsets[2], offset);
    }
    auto terrain = makeTerrain(allPieces);
    const btRigidBody* topLeft = physics->terrainTileActors[4];
    EXPECT_NEAR(PhysxHandler::raycastUp(topLeft, topLeft, {-2000, -300, 2000}).value_or(0), 160, 0.01f);
    EXPECT_FALSE(PhysxHandler::raycastUp(topLeft, topLeft, {2000, -300, 2000}).has_value());
    ViewFrustum frustum;
    frustum.setInternals(10.0f * degree, 16.0f / 9.0f, 0.1f, 1200.0f);
    frustum.setCamera({0, 1000, 0}, {0, 0, 0}, {0, 0, -1}); // narrow, straight down over the centre piece
    std::vector<unsigned int> counts{terrain->drawTiles(&frustum, false), terrain->drawTiles(&frustum, true)};
    frustum.setCamera({0, 0, 20000}, {0, 0, 30000}, {0, 1, 0}); // far out, looking away
    counts.push_back(terrain->drawTiles(&frustum, false));
    EXPECT_EQ(counts, std::vector<unsigned int>({perPiece, 9 * perPiece, 0}));

    // The game's 16:9 frustum down -z: 100 up and down and 177.8 sideways at depth 100; any part counts.
    frustum.setInternals(fieldOfViewY(1.0f), 16.0f / 9.0f, 0.1f, 10000.0f);
    frustum.setCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0});
    const std::tuple<glm::vec3, float, bool> spheres[] = {
        {{175, 0, -100}, 1, true},   {{-175, 0, -100}, 1, true},  {{185, 0, -100}, 1, false},
        {{-185, 0, -100}, 1, false}, {{185, 0, -100}, 10, true},  {{0, 98, -100}, 1, true},
        {{0, -110, -100}, 1, false}, {{0, 0, 2}, 1, false},       {{0, 0, 0.5f}, 1, true},
        {{0, 0, -10005}, 10, true},  {{0, 0, -10020}, 10, false}, {{175, 98, -100}, 1, true}};
    for (const auto& [centre, radius, visible] : spheres)
        EXPECT_EQ(frustum.sphereVisible(centre, radius), visible)
            << centre.x << " " << centre.y << " " << centre.z;

    const glm::vec3 sun(0.6666667f, -0.3333333f, 0.6666667f);
    ShadowMap shadowMap(glm::mat4(1.0f), &sun, &depth);
    glEnable(GL_DEPTH_TEST);
    auto renderMap = [&](const glm::vec3& camera, bool all) {
        shadowMap.updateLight(camera);
        shadowMap.draw();
        glViewport(0, 0, shadowMap.size, shadowMap.size);
        glClear(GL_DEPTH_BUFFER_BIT);
        glUniformMatrix4fv(shadowMap.modelLocation, 1, GL_FALSE, glm::value_ptr(terrain->modelMatrix));
        const unsigned int drawn = all ? (terrain->draw(), 0u) : terrain->drawShadowTiles(shadowMap);
        std::vector<float> map(static_cast<size_t>(shadowMap.size) * shadowMap.size);
        glReadPixels(0, 0, shadowMap.size, shadowMap.size, GL_DEPTH_COMPONENT, GL_FLOAT, map.data());
        return std::make_pair(drawn, map);
    };
    // Over the centre, over a corner piece, and far beyond the edge where the sun sees no ground at all.
    for (const auto& [camera, most] :
         {std::pair{glm::vec3(0, 200, 0), 8u}, {{-2600, 200, 2600}, 5u}, {{0, 200, 30000}, 0u}}) {
        const auto everything = renderMap(camera, true).second;
        const auto [drawn, chosen] = renderMap(camera, false);
        EXPECT_TRUE(drawn <= most * perPiece && drawn % perPiece == 0 && (drawn > 0) == (most > 0)) << drawn;
        EXPECT_EQ(everything, chosen) << "the map changed at " << camera.x << ", " << camera.z;
    }
}
