#include "util/PhysxHandler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <tuple>

using tavo::util::PhysxHandler;

// Counts the program's own heap allocations while armed, to show that a steady physics step allocates
// nothing.
namespace {
std::atomic<bool> countAllocations{false};
std::atomic<long> allocationCount{0};
} // namespace

void* operator new(std::size_t size) {
    if (countAllocations)
        ++allocationCount;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
// GCC pairs "new" in inlined code with the library's operator new and warns that free does not match it;
// here operator new is the malloc above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

constexpr float frame = 1.0f / 60.0f;

struct Sheet {
    std::vector<glm::vec3> positions;
    std::vector<std::uint32_t> indices;
};

// A flat grid at model height z over [x0, x1] x [y0, y1] (model frame, z up), counter-clockwise from +z.
Sheet makeSheet(float x0, float x1, float y0, float y1, float z, int cells = 8) {
    Sheet sheet;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            sheet.positions.emplace_back(x0 + (x1 - x0) * i / cells, y0 + (y1 - y0) * j / cells, z);
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const std::uint32_t a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
            sheet.indices.insert(sheet.indices.end(), {a, b, d, a, d, c});
        }
    return sheet;
}

// A model-space sheet at z = 0 over +-100 with scale 10 at (0, -300, 0): the world plane y = -300, +-1000
// wide.
btRigidBody* addGround(PhysxHandler& physics) {
    const Sheet sheet = makeSheet(-100, 100, -100, 100, 0);
    btRigidBody* piece = physics.createTerrainPiece(sheet.positions, sheet.indices, 10.0f, {0, -300, 0});
    physics.terrainTileActors[7] = piece;
    return piece;
}

glm::vec3 forwardOf(const btRigidBody* body) {
    return PhysxHandler::getGlobalRotation(body) * glm::vec3(0, 0, 1);
}

// The flight model's thrust: a steady velocity change of speed per second along the forward axis, one step.
void thrust(PhysxHandler& physics, btRigidBody* plane, float speed, float dt) {
    physics.addVelocityChangeRate(plane, forwardOf(plane) * speed, glm::vec3(0.0f));
    physics.step(dt);
}

btRigidBody* addJet(PhysxHandler& physics, const glm::vec3& position) {
    btRigidBody* plane = physics.createPlaneBody(position);
    physics.setDamping(plane, 1.0f, 10.0f);
    physics.planeActor = plane;
    return plane;
}

bool anyFlag(const PhysxHandler& p) {
    return p.planeCrashed || p.ringPassed || p.ringInTerrain || p.boostCollected || p.hatCollected;
}

} // namespace

TEST(PhysxHandlerMotion, GravityActsOnceSwitchedOnOneStepOfDtPerCall) {
    PhysxHandler physics;
    btRigidBody* body = physics.createPlaneBody({0, 0, 0});
    for (int i = 0; i < 30; ++i)
        physics.step(frame);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(body), glm::vec3(0, 0, 0));
    physics.setGravityEnabled(body, true);
    for (int i = 0; i < 60; ++i)
        physics.step(frame);
    EXPECT_NEAR(body->getLinearVelocity().y(), -49.05f, 1e-3f);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(body).y, -24.93375f, 1e-3f);
    // After the crash gravity acts inside the damping bracket, as in PhysX: -45.8912 after 3 s, not -46.67.
    btRigidBody* jet = addJet(physics, {100, 0, 0});
    physics.setGravityEnabled(jet, true);
    for (int i = 0; i < 180; ++i)
        physics.step(frame);
    EXPECT_NEAR(jet->getLinearVelocity().y(), -45.8912f, 2e-3f);
}

// Damping, gravity and the thrust and turn rates were tuned at 60 steps a second; one long step moves a body
// exactly as the 1/60 s steps it stands for, and a 1/60 s step gives a rate as a velocity change of rate
// / 60.
TEST(PhysxHandlerMotion, OneLongStepMovesAsTheSixtiethsItStandsFor) {
    const glm::vec3 thrustRate(0, 0, 50), turnRate(0, 15.707964f, 0), start(10, 0, 30);
    auto flyFor = [&](int sixtieths, bool oneStep, bool instantChanges) {
        auto physics = std::make_unique<PhysxHandler>();
        btRigidBody* plane = addJet(*physics, {0, 0, 0});
        physics->setGravityEnabled(plane, true);
        PhysxHandler::addVelocityChange(plane, start);
        for (int i = 0; i < (oneStep ? 1 : sixtieths); ++i) {
            const float dt = (oneStep ? sixtieths : 1) * frame;
            if (instantChanges) {
                PhysxHandler::addVelocityChange(plane, thrustRate * dt);
                PhysxHandler::addAngularVelocityChange(plane, turnRate * dt);
            } else {
                physics->addVelocityChangeRate(plane, thrustRate, turnRate);
            }
            physics->step(dt);
        }
        const btVector3 v = plane->getLinearVelocity();
        return std::make_tuple(glm::vec3(v.x(), v.y(), v.z()), plane->getAngularVelocity().y(),
                               PhysxHandler::getGlobalPosition(plane),
                               glm::angle(PhysxHandler::getGlobalRotation(plane)));
    };
    struct Case {
        int sixtieths;
        bool oneStep, instantChanges; // the flight compared with sixtieths steps of rates
    };
    for (const Case c :
         {Case{1, true, true}, Case{3, true, false}, Case{6, true, false}, Case{12, true, false}}) {
        SCOPED_TRACE(testing::Message() << c.sixtieths << " sixtieths");
        const auto [v, w, p, a] = flyFor(c.sixtieths, c.oneStep, c.instantChanges);
        const auto [vRef, wRef, pRef, aRef] = flyFor(c.sixtieths, false, false);
        EXPECT_LT(glm::distance(v, vRef), 1e-3f * glm::length(vRef));
        EXPECT_NEAR(w, wRef, 1e-4f);
        EXPECT_LT(glm::distance(p, pRef), 1e-3f * glm::length(pRef));
        EXPECT_NEAR(a, aRef, 1e-4f);
    }
    // The settled values of 60 fps: speed 50 x 59/60, turn rate 90 degrees/s x 5/6, falling at 49.05 x 59/60.
    const auto [v, w, p, a] = flyFor(1800, true, false);
    EXPECT_NEAR(v.z, 49.1667f, 1e-3f);
    EXPECT_NEAR(v.y, -48.2325f, 1e-3f);
    EXPECT_NEAR(w, 1.3090f, 1e-4f);
}

TEST(PhysxHandlerMotion, FrameTimesThatAreNotPositiveStepNothing) {
    PhysxHandler physics;
    btRigidBody* plane = addJet(physics, {0, 0, 0});
    PhysxHandler::addVelocityChange(plane, {0, 0, 10});
    for (float dt : {0.0f, -0.1f, std::nanf(""), std::numeric_limits<float>::infinity()})
        physics.step(dt);
    EXPECT_FLOAT_EQ(plane->getLinearVelocity().z(), 10.0f);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(plane), glm::vec3(0, 0, 0));
}

TEST(PhysxHandlerEvents, FlyingThroughTheRingReportsOnceAndDoesNotDeflect) {
    PhysxHandler physics;
    btRigidBody* plane = addJet(physics, {0, 0, 0});
    physics.ringActor = physics.createTriggerSphere(11.0f, {0, 0, 60});
    int reports = 0, overlappingFrames = 0;
    for (int i = 0; i < 240; ++i) {
        thrust(physics, plane, 50, frame);
        if (std::abs(PhysxHandler::getGlobalPosition(plane).z - 60) < 19.5f)
            ++overlappingFrames;
        reports += physics.ringPassed;
        physics.ringPassed = false;
    }
    EXPECT_EQ(reports, 1);
    EXPECT_GT(overlappingFrames, 30);
    EXPECT_GT(PhysxHandler::getGlobalPosition(plane).z, 100.0f);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(plane).x, 0.0f, 1e-4f);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(plane).y, 0.0f, 1e-4f);
    EXPECT_EQ(PhysxHandler::getGlobalPosition(physics.ringActor), glm::vec3(0, 0, 60));
    EXPECT_FALSE(physics.planeCrashed || physics.boostCollected || physics.hatCollected ||
                 physics.ringInTerrain);
}

TEST(PhysxHandlerEvents, RingInTheTerrainReportsOncePerEntry) {
    PhysxHandler physics;
    addGround(physics);
    physics.ringActor = physics.createTriggerSphere(11.0f, {0, 100, 0});
    int reports = 0;
    auto run = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            physics.step(frame);
            reports += physics.ringInTerrain;
            physics.ringInTerrain = false;
        }
    };
    run(10);
    EXPECT_EQ(reports, 0);
    physics.setGlobalPose(physics.ringActor, {0, -305, 0});
    run(30);
    EXPECT_EQ(reports, 1);
    physics.setGlobalPose(physics.ringActor, {300, 50, 0});
    run(5);
    physics.setGlobalPose(physics.ringActor, {300, -295, 0});
    run(5);
    EXPECT_EQ(reports, 2);
    EXPECT_FALSE(physics.planeCrashed);
}

TEST(PhysxHandlerEvents, OtherTriggersInTheTerrainAndTriggerPairsReportNothing) {
    PhysxHandler physics;
    addGround(physics);
    physics.boostActor = physics.createTriggerSphere(10.0f, {0, -300, 0});
    physics.hatActor = physics.createTriggerSphere(10.0f, {50, -300, 0});
    physics.ringActor =
        physics.createTriggerSphere(11.0f, {5, -100, 0}); // overlaps no terrain, but both triggers
    physics.setGlobalPose(physics.hatActor, {5, -95, 0});
    for (int i = 0; i < 20; ++i)
        physics.step(frame);
    EXPECT_FALSE(anyFlag(physics));
}

TEST(PhysxHandlerEvents, RingTouchedByJetAndTerrainInOneStepRaisesBoth) {
    PhysxHandler physics;
    addGround(physics);
    addJet(physics, {0, -288, 0});
    physics.ringActor = physics.createTriggerSphere(11.0f, {0, -295, 0});
    physics.step(frame);
    EXPECT_TRUE(physics.ringPassed);
    EXPECT_TRUE(physics.ringInTerrain);
}

TEST(PhysxHandlerEvents, JetFallingOntoTheTerrainCrashesAtTheTouch) {
    PhysxHandler physics;
    addGround(physics);
    btRigidBody* plane = addJet(physics, {0, -280, 0});
    physics.setGravityEnabled(plane, true);
    float heightAtCrash = 0;
    for (int i = 0; i < 240 && !physics.planeCrashed; ++i) {
        physics.step(frame);
        heightAtCrash = PhysxHandler::getGlobalPosition(plane).y;
    }
    ASSERT_TRUE(physics.planeCrashed);
    // The capsule's underside (radius 1.5) is at the sheet, not far above or through it.
    EXPECT_NEAR(heightAtCrash - 1.5f, -300.0f, 1.0f);
}

TEST(PhysxHandlerEvents, FastJetDoesNotTunnelThroughAThinWallAtFiveFramesPerSecond) {
    PhysxHandler physics;
    // Model y = -10 at scale 10 is the world plane z = 100, facing the jet, spanning x and y of +-100.
    Sheet wall;
    for (const auto& p : makeSheet(-10, 10, -10, 10, 0, 2).positions)
        wall.positions.emplace_back(p.x, -10.0f, p.y);
    wall.indices = makeSheet(-10, 10, -10, 10, 0, 2).indices;
    physics.terrainTileActors[0] = physics.createTerrainPiece(wall.positions, wall.indices, 10.0f, {0, 0, 0});
    ASSERT_NE(physics.terrainTileActors[0], nullptr);
    btRigidBody* plane = physics.createPlaneBody({0, 0, -24});
    physics.planeActor = plane;
    // Without damping at 250 units/s the capsule (reach 8.5) sits at z = 26, 76, 126: a discrete step skips
    // the wall.
    PhysxHandler::addVelocityChange(plane, {0, 0, 250});
    for (int i = 0; i < 4 && !physics.planeCrashed; ++i)
        physics.step(0.2f);
    EXPECT_TRUE(physics.planeCrashed);
    EXPECT_LT(PhysxHandler::getGlobalPosition(plane).z, 100.0f);
}

TEST(PhysxHandlerEvents, SteadyStepsAllocateNothing) {
    PhysxHandler physics;
    addGround(physics);
    btRigidBody* plane = addJet(physics, {0, 0, 0});
    physics.ringActor = physics.createTriggerSphere(11.0f, {0, 0, 30});
    physics.boostActor = physics.createTriggerSphere(10.0f, {0, -305, 60});
    for (int i = 0; i < 10; ++i)
        thrust(physics, plane, 50, frame);
    allocationCount = 0;
    countAllocations = true;
    for (int i = 0; i < 120; ++i)
        thrust(physics, plane, 50, frame);
    countAllocations = false;
    EXPECT_EQ(allocationCount.load(), 0);
}

TEST(PhysxHandlerTerrain, PieceStandsWhereTheModelTurnPutsIt) {
    PhysxHandler physics;
    // Model y in [10, 20] lies at world z in [-200, -100]; model z = 3 is world height 30 - 300.
    const Sheet sheet = makeSheet(-10, 10, 10, 20, 3);
    btRigidBody* piece = physics.createTerrainPiece(sheet.positions, sheet.indices, 10.0f, {0, -300, 0});
    ASSERT_NE(piece, nullptr);
    EXPECT_TRUE(piece->isStaticObject());
    auto hit = PhysxHandler::raycastUp(piece, piece, {0, -300, -150});
    ASSERT_TRUE(hit.has_value());
    EXPECT_NEAR(*hit, 30.0f, 1e-3f);
    EXPECT_FALSE(PhysxHandler::raycastUp(piece, piece, {0, -300, 150}).has_value());
    EXPECT_FALSE(PhysxHandler::raycastUp(piece, piece, {150, -300, -150}).has_value());
}

TEST(PhysxHandlerTerrain, BrokenTrianglesAreLeftOut) {
    PhysxHandler physics;
    std::vector<glm::vec3> points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {std::nanf(""), 0, 0}};
    EXPECT_EQ(physics.createTerrainPiece(points, {0, 1, 7}, 10.0f, {}), nullptr);
    EXPECT_EQ(physics.createTerrainPiece(points, {0, 1, 3}, 10.0f, {}), nullptr);
    EXPECT_EQ(physics.createTerrainPiece(points, {}, 10.0f, {}), nullptr);
    EXPECT_EQ(physics.createTerrainPiece(points, {0, 1}, 10.0f, {}), nullptr);
    EXPECT_EQ(physics.createTerrainPiece(points, {0, 1, 2}, 0.0f, {}), nullptr);
    btRigidBody* piece = physics.createTerrainPiece(points, {0, 1, 9, 0, 1, 2, 1}, 10.0f, {});
    ASSERT_NE(piece, nullptr);
    EXPECT_TRUE(PhysxHandler::raycastUp(piece, piece, {1, -5, -1}).has_value());
}

TEST(PhysxHandlerTerrain, UpwardRayFindsTheSurfaceFromBelowWithinReach) {
    PhysxHandler physics;
    btRigidBody* ground = addGround(physics);
    auto from10Below = PhysxHandler::raycastUp(ground, ground, {0, -310, 0});
    ASSERT_TRUE(from10Below.has_value());
    EXPECT_NEAR(*from10Below, 10.0f, 1e-3f);
    EXPECT_TRUE(PhysxHandler::raycastUp(ground, ground, {20, -499, 30}).has_value());
    EXPECT_FALSE(PhysxHandler::raycastUp(ground, ground, {20, -501, 30}).has_value());
    EXPECT_FALSE(PhysxHandler::raycastUp(ground, ground, {0, -290, 0}).has_value());
    EXPECT_FALSE(PhysxHandler::raycastUp(nullptr, ground, {0, -310, 0}).has_value());
}

TEST(PhysxHandlerTerrain, RayUsesOneShapeAtAnotherPiecesPose) {
    PhysxHandler physics;
    const Sheet sheet = makeSheet(-100, 100, -100, 100, 0);
    btRigidBody* low = physics.createTerrainPiece(sheet.positions, sheet.indices, 10.0f, {0, -300, 0});
    btRigidBody* high = physics.createTerrainPiece(sheet.positions, sheet.indices, 10.0f, {0, 0, 0});
    auto hit = PhysxHandler::raycastUp(low, high, {0, -40, 0});
    ASSERT_TRUE(hit.has_value());
    EXPECT_NEAR(*hit, 40.0f, 1e-3f);
}

TEST(PhysxHandlerTriggers, TeleportMovesTheBroadphaseBoxAtOnce) {
    PhysxHandler physics;
    btRigidBody* trigger = physics.createTriggerSphere(10.0f, {0, 0, 0});
    physics.step(frame);
    EXPECT_EQ(trigger->getActivationState(), DISABLE_DEACTIVATION); // a sleeping trigger misses the terrain
    physics.setGlobalPose(trigger, {500, 20, 0});
    EXPECT_EQ(PhysxHandler::getGlobalPosition(trigger), glm::vec3(500, 20, 0));
    btVector3 from(500, 100, 0), to(500, -100, 0);
    btCollisionWorld::ClosestRayResultCallback atNewPlace(from, to);
    physics.scene->rayTest(from, to, atNewPlace);
    EXPECT_EQ(atNewPlace.m_collisionObject, trigger);
    btVector3 oldFrom(0, 100, 0), oldTo(0, -100, 0);
    btCollisionWorld::ClosestRayResultCallback atOldPlace(oldFrom, oldTo);
    physics.scene->rayTest(oldFrom, oldTo, atOldPlace);
    EXPECT_FALSE(atOldPlace.hasHit());
    btVector3 min, max;
    trigger->getCollisionShape()->getAabb(trigger->getWorldTransform(), min, max);
    EXPECT_NEAR(trigger->getBroadphaseHandle()->m_aabbMin.x(), min.x(), 0.5f);
}

TEST(PhysxHandlerSetUp, MaterialIsAveragedPerContact) {
    PhysxHandler physics;
    btRigidBody* a = physics.createPlaneBody({0, 0, 0});
    btRigidBody* b = physics.createTriggerSphere(1.0f, {0, 0, 0});
    EXPECT_FLOAT_EQ(a->getFriction(), 0.5f);
    EXPECT_FLOAT_EQ(a->getRestitution(), 0.6f);
    EXPECT_FLOAT_EQ(gCalculateCombinedRestitutionCallback(a, b), 0.6f);
    EXPECT_FLOAT_EQ(gCalculateCombinedFrictionCallback(a, b), 0.5f);
    EXPECT_FLOAT_EQ(physics.scene->getSolverInfo().m_restitutionVelocityThreshold, 2.0f);
    EXPECT_FLOAT_EQ(physics.scene->getGravity().y(), -49.05f);
}

TEST(PhysxHandlerSetUp, JetBodyIsTheCapsuleAlongZ) {
    PhysxHandler physics;
    btRigidBody* plane = physics.createPlaneBody({0, 0, 0});
    btVector3 min, max;
    plane->getAabb(min, max);
    EXPECT_NEAR(max.z(), 8.5f, 0.1f);
    EXPECT_NEAR(max.x(), 1.5f, 0.1f);
    EXPECT_FLOAT_EQ(plane->getInvMass(), 1.0f);
    EXPECT_EQ(plane->getLocalInertia(), btVector3(1, 1, 1));
    EXPECT_GT(plane->getCcdMotionThreshold(), 0.0f);
}

namespace {
void* failEveryAllocation(size_t, int) {
    return nullptr;
}
void* failWorldAllocation(size_t size, int alignment) {
    if (size == sizeof(btDiscreteDynamicsWorld))
        return nullptr;
    void* p = nullptr;
    return posix_memalign(&p, static_cast<size_t>(alignment), size) == 0 ? p : nullptr;
}
} // namespace

TEST(PhysxHandlerSetUpDeathTest, FailedAllocationsEndWithTheStartUpMessages) {
    EXPECT_EXIT(
        {
            btAlignedAllocSetCustomAligned(failEveryAllocation, std::free);
            PhysxHandler physics;
        },
        testing::ExitedWithCode(1), "^ERROR: Could not create Physx Foundation\n");
    EXPECT_EXIT(
        {
            btAlignedAllocSetCustomAligned(failWorldAllocation, std::free);
            PhysxHandler physics;
        },
        testing::ExitedWithCode(1), "^ERROR: Could not create Physics\n");
}
