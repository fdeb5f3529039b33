#include "util/PhysxHandler.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

using tavo::util::PhysxHandler;

// Counts heap allocations while armed.
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace
void* operator new(std::size_t size) {
    allocations += counting ? 1 : 0;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete" // operator new above is malloc
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

constexpr float frame = 1.0f / 60.0f;

// A flat square at model height z over [x0, x1] x [y0, y1] (z up), placed as a terrain piece (scale 10,
// turned to y up); a wall lies in the model plane y = z, facing -y.
btRigidBody* addSheet(PhysxHandler& physics, float x0, float x1, float y0, float y1, float z, glm::vec3 at,
                      bool wall = false) {
    std::vector<glm::vec3> points{{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y1, z}};
    for (glm::vec3& p : points)
        p = wall ? glm::vec3(p.x, z, p.y) : p;
    return physics.createTerrainPiece(points, {0, 1, 3, 0, 3, 2}, 10.0f, at);
}
// The world plane y = -300, +-1000 wide, as the centre piece.
btRigidBody* addGround(PhysxHandler& physics) {
    return physics.terrainTileActors[7] = addSheet(physics, -100, 100, -100, 100, 0, {0, -300, 0});
}
btRigidBody* addJet(PhysxHandler& physics, const glm::vec3& position, bool gravity = false) {
    btRigidBody* plane = physics.planeActor = physics.createPlaneBody(position);
    physics.setDamping(plane, 1.0f, 10.0f);
    physics.setGravityEnabled(plane, gravity);
    return plane;
}
// Counts of crash, ring, ring in terrain, boost and hat events, cleared after each step as the world update.
using Events = std::array<int, 5>;
Events run(PhysxHandler& p, int frames, btRigidBody* thrusted = nullptr, float dt = frame) {
    Events e{};
    for (int i = 0; i < frames; ++i) {
        if (thrusted != nullptr)
            p.addVelocityChangeRate(thrusted, PhysxHandler::getGlobalRotation(thrusted) * glm::vec3(0, 0, 50),
                                    {});
        p.step(dt);
        bool* flags[] = {&p.planeCrashed, &p.ringPassed, &p.ringInTerrain, &p.boostCollected,
                         &p.hatCollected};
        for (int k = 0; k < 5; ++k)
            e[k] += *flags[k], *flags[k] = false;
    }
    return e;
}

} // namespace

TEST(PhysxHandler, BadFrameTimesStepNothingAndGravityWaitsUntilSwitchedOn) {
    PhysxHandler physics;
    btRigidBody* body = physics.createPlaneBody({0, 0, 0});
    for (float dt : {0.0f, -0.1f, std::nanf(""), std::numeric_limits<float>::infinity(), frame, frame})
        physics.step(dt);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(body), glm::vec3(0, 0, 0)) << "no gravity until switched on";
    PhysxHandler::addVelocityChange(body, {0, 0, 10});
    for (float dt : {0.0f, -0.1f, std::nanf(""), std::numeric_limits<float>::infinity()})
        physics.step(dt);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(body), glm::vec3(0, 0, 0));
    physics.setGravityEnabled(body, true);
    run(physics, 1);
    EXPECT_LT(body->getLinearVelocity().y(), 0.0f);
}

// Damping, gravity, thrust and turn rates were tuned at 60 steps a second: one long step moves a body as the
// 1/60 s steps it stands for.
TEST(PhysxHandler, OneLongStepMovesAsTheSixtiethsItStandsFor) {
    const glm::vec3 thrustRate(0, 0, 50), turnRate(0, 15.707964f, 0);
    auto flyFor = [&](int sixtieths, bool oneStep) {
        PhysxHandler physics;
        btRigidBody* plane = addJet(physics, {0, 0, 0}, true);
        PhysxHandler::addVelocityChange(plane, {10, 0, 30});
        for (int i = 0; i < (oneStep ? 1 : sixtieths); ++i) {
            physics.addVelocityChangeRate(plane, thrustRate, turnRate);
            physics.step((oneStep ? sixtieths : 1) * frame);
        }
        const btVector3 v = plane->getLinearVelocity();
        return std::array<glm::vec3, 3>{glm::vec3(v.x(), v.y(), v.z()),
                                        PhysxHandler::getGlobalPosition(plane),
                                        glm::vec3(plane->getAngularVelocity().y(),
                                                  glm::angle(PhysxHandler::getGlobalRotation(plane)), 0)};
    };
    for (int sixtieths : {3, 6, 12}) {
        const auto one = flyFor(sixtieths, true), many = flyFor(sixtieths, false);
        for (int k = 0; k < 3; ++k)
            EXPECT_LT(glm::distance(one[k], many[k]), 1e-3f * glm::length(many[k]) + 1e-4f) << sixtieths << k;
    }
    // Settled at 60 fps: speed 50 x 59/60, falling at 49.05 x 59/60, turn rate 90 degrees/s x 5/6.
    const auto settled = flyFor(1800, true);
    EXPECT_NEAR(settled[0].z, 49.1667f, 1e-3f);
    EXPECT_NEAR(settled[0].y, -48.2325f, 1e-3f);
    EXPECT_NEAR(settled[2].x, 1.3090f, 1e-4f);
}

TEST(PhysxHandler, TriggersReportOnceWhenEnteredAndTheJetCrashesAtTheTouch) {
    PhysxHandler physics;
    btRigidBody* plane = addJet(physics, {0, 0, 0});
    physics.ringActor = physics.createTriggerSphere(11.0f, {0, 0, 60});
    // Flown through: one report, no deflection, the ring stays.
    EXPECT_EQ(run(physics, 240, plane), (Events{0, 1, 0, 0, 0}));
    EXPECT_GT(PhysxHandler::getGlobalPosition(plane).z, 100.0f);
    EXPECT_NEAR(glm::length(glm::vec2(PhysxHandler::getGlobalPosition(plane))), 0.0f, 1e-4f);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(physics.ringActor), glm::vec3(0, 0, 60));

    // The ring in the ground reports once per entry; other triggers and trigger pairs report nothing.
    addGround(physics);
    physics.setGlobalPose(plane, {500, 0, 500});
    physics.boostActor = physics.createTriggerSphere(10.0f, {0, -300, 0});
    physics.hatActor = physics.createTriggerSphere(10.0f, {50, -300, 0});
    physics.setGlobalPose(physics.ringActor, {0, 100, 0});
    EXPECT_EQ(run(physics, 10)[2], 0);
    physics.setGlobalPose(physics.ringActor, {0, -305, 0});
    EXPECT_EQ(run(physics, 30)[2], 1);
    physics.setGlobalPose(physics.ringActor, {300, 50, 0});
    run(physics, 5);
    physics.setGlobalPose(physics.ringActor, {300, -295, 0});
    physics.setGlobalPose(physics.hatActor, {305, -290, 0}); // overlapping the ring too
    EXPECT_EQ(run(physics, 5), (Events{0, 0, 1, 0, 0}));

    // Jet and terrain touching the ring in one step raise both.
    physics.setGlobalPose(physics.ringActor, {-300, 50, 0});
    run(physics, 1);
    physics.setGlobalPose(physics.ringActor, {-300, -295, 0});
    physics.setGlobalPose(plane, {-300, -288, 0});
    physics.step(frame);
    EXPECT_TRUE(physics.ringPassed && physics.ringInTerrain);

    // Falling onto the ground: the crash comes as the capsule's underside (radius 1.5) touches it.
    physics.setGlobalPose(plane, {-200, -280, 0});
    physics.setGravityEnabled(plane, true);
    for (int i = 0; i < 240 && !physics.planeCrashed; ++i)
        physics.step(frame);
    ASSERT_TRUE(physics.planeCrashed);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(plane).y - 1.5f, -300.0f, 1.0f);
}

TEST(PhysxHandler, FastJetHitsAThinWallAtFiveFramesPerSecondAndSteadyStepsAllocateNothing) {
    PhysxHandler physics;
    // The world plane z = 100 facing the jet; undamped at 250 units/s the capsule (reach 8.5) sits at
    // z = 26, 76, 126: a discrete step skips the wall.
    physics.terrainTileActors[0] = addSheet(physics, -10, 10, -10, 10, -10, {0, 0, 0}, true);
    btRigidBody* plane = physics.planeActor = physics.createPlaneBody({0, 0, -24});
    PhysxHandler::addVelocityChange(plane, {0, 0, 250});
    EXPECT_EQ(run(physics, 4, nullptr, 0.2f)[0], 1);
    EXPECT_LT(PhysxHandler::getGlobalPosition(plane).z, 100.0f);

    PhysxHandler steady;
    addGround(steady);
    btRigidBody* jet = addJet(steady, {0, 0, 0});
    steady.ringActor = steady.createTriggerSphere(11.0f, {0, 0, 30});
    steady.boostActor = steady.createTriggerSphere(10.0f, {0, -305, 60});
    run(steady, 10, jet);
    allocations = 0;
    counting = true;
    run(steady, 120, jet);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

TEST(PhysxHandler, UpwardRayFindsPiecesFromBelowAndBrokenTrianglesAreLeftOut) {
    PhysxHandler physics;
    // Model y in [10, 20] lies at world z in [-200, -100]; model z = 3 is world height 30 - 300.
    btRigidBody* piece = addSheet(physics, -10, 10, 10, 20, 3, {0, -300, 0});
    ASSERT_TRUE(piece != nullptr && piece->isStaticObject());
    const std::pair<glm::vec3, float> rays[] = {{{0, -300, -150}, 30},  {{0, -300, 150}, 0},
                                                {{150, -300, -150}, 0}, {{0, -269, -150}, 0},
                                                {{0, -469, -150}, 199}, {{0, -471, -150}, 0}};
    for (const auto& [from, hit] : rays)
        EXPECT_NEAR(PhysxHandler::raycastUp(piece, piece, from).value_or(0), hit, 1e-3f)
            << from.y << ", " << from.z;
    EXPECT_FALSE(PhysxHandler::raycastUp(nullptr, piece, {0, -300, -150}).has_value());
    // One shape at another piece's pose: the terrain pieces share one.
    btRigidBody* high = addSheet(physics, -100, 100, -100, 100, 0, {0, 0, 0});
    EXPECT_NEAR(PhysxHandler::raycastUp(addGround(physics), high, {0, -40, 0}).value_or(0), 40.0f, 1e-3f);

    const std::vector<glm::vec3> points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {std::nanf(""), 0, 0}};
    for (const std::vector<std::uint32_t>& broken :
         {std::vector<std::uint32_t>{0, 1, 7}, {0, 1, 3}, {}, {0, 1}})
        EXPECT_EQ(physics.createTerrainPiece(points, broken, 10.0f, {}), nullptr);
    EXPECT_EQ(physics.createTerrainPiece(points, {0, 1, 2}, 0.0f, {}), nullptr);
    btRigidBody* kept = physics.createTerrainPiece(points, {0, 1, 9, 0, 1, 2, 1}, 10.0f, {});
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(PhysxHandler::raycastUp(kept, kept, {1, -5, -1}).has_value());
}

TEST(PhysxHandler, BodiesMaterialAndTeleportedTriggers) {
    PhysxHandler physics;
    btRigidBody* plane = physics.createPlaneBody({0, 0, 0});
    btRigidBody* trigger = physics.createTriggerSphere(10.0f, {0, 0, 0});
    btVector3 min, max;
    plane->getAabb(min, max);
    EXPECT_NEAR(max.z(), 8.5f, 0.1f) << "the capsule's reach";
    EXPECT_TRUE(plane->getInvMass() == 1.0f && plane->getLocalInertia() == btVector3(1, 1, 1));
    EXPECT_FLOAT_EQ(gCalculateCombinedRestitutionCallback(plane, trigger), 0.6f);
    // A sleeping trigger would miss the terrain; a teleport moves its broadphase box at once.
    physics.step(frame);
    EXPECT_EQ(trigger->getActivationState(), DISABLE_DEACTIVATION);
    physics.setGlobalPose(trigger, {500, 20, 0});
    btCollisionWorld::ClosestRayResultCallback ray({500, 100, 0}, {500, -100, 0});
    physics.scene->rayTest(ray.m_rayFromWorld, ray.m_rayToWorld, ray);
    EXPECT_EQ(ray.m_collisionObject, trigger);
}

namespace {
void* failEveryAllocation(size_t, int) {
    return nullptr;
}
void* failWorldAllocation(size_t size, int alignment) {
    void* p = nullptr;
    return size != sizeof(btDiscreteDynamicsWorld) && posix_memalign(&p, size_t(alignment), size) == 0
               ? p
               : nullptr;
}
} // namespace

TEST(PhysxHandlerDeathTest, FailedAllocationsEndWithTheStartUpMessages) {
    for (const auto& [allocate, message] :
         {std::pair{failEveryAllocation, "^ERROR: Could not create Physx Foundation\n"},
          {failWorldAllocation, "^ERROR: Could not create Physics\n"}})
        EXPECT_EXIT(
            {
                btAlignedAllocSetCustomAligned(allocate, std::free);
                PhysxHandler physics;
            },
            testing::ExitedWithCode(1), message);
}
