#include "util/PhysxHandler.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>
#include <tuple>

using tavo::util::PhysxHandler;

// Counts heap allocations while armed.
static std::atomic<bool> counting{false};
static std::atomic<long> allocations{0};
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
const auto at = [](const btRigidBody* body) { return PhysxHandler::getGlobalPosition(body); };

// A flat square at model height z (z up) as a terrain piece: scale 10, turned to y up.
btRigidBody* addSheet(PhysxHandler& physics, float x0, float x1, float y0, float y1, float z, glm::vec3 to) {
    return physics.createTerrainPiece({{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y1, z}},
                                      {0, 1, 3, 0, 3, 2}, 10.0f, to);
}
// Counts of crash, ring, ring in terrain, boost and hat events, cleared after each step as the world update.
using Events = std::array<int, 5>;
Events run(PhysxHandler& p, int frames, float dt = frame) {
    Events e{};
    for (int i = 0; i < frames; ++i) {
        p.step(dt);
        bool* flags[] = {&p.planeCrashed, &p.ringPassed, &p.ringInTerrain, &p.boostCollected,
                         &p.hatCollected};
        for (int k = 0; k < 5; ++k)
            e[k] += *flags[k], *flags[k] = false;
    }
    return e;
}
void place(PhysxHandler& p, btRigidBody* body, glm::vec3 position, glm::vec3 velocity = {}) {
    p.setGlobalPose(body, position);
    body->setLinearVelocity(btVector3(velocity.x, velocity.y, velocity.z));
}

} // namespace

TEST(PhysxHandler, BodiesTriggersCrashesRaysAndLongStepsInOneWorld) {
    PhysxHandler p;
    btRigidBody* ground = p.terrainTileActors[7] = addSheet(p, -100, 100, -100, 100, 0, {0, -300, 0});
    btRigidBody* plane = p.planeActor = p.createPlaneBody({0, 0, 0});
    btRigidBody* ring = p.ringActor = p.createTriggerSphere(11.0f, {0, 0, 60});
    p.boostActor = p.createTriggerSphere(10.0f, {0, -300, 0});
    p.hatActor = p.createTriggerSphere(10.0f, {50, -300, 0});
    btVector3 min, reach;
    plane->getAabb(min, reach);
    EXPECT_NEAR(reach.z(), 8.5f, 0.1f);
    EXPECT_TRUE(plane->getInvMass() == 1.0f && plane->getLocalInertia() == btVector3(1, 1, 1));
    EXPECT_FLOAT_EQ(gCalculateCombinedRestitutionCallback(plane, ring), 0.6f);

    // Frame times that are not positive and finite step nothing; no gravity until switched on.
    EXPECT_EQ(run(p, 2), Events{}) << "the pickups in the ground report nothing";
    PhysxHandler::addVelocityChange(plane, {0, 0, 50});
    for (float dt : {0.0f, -0.1f, std::nanf(""), std::numeric_limits<float>::infinity()})
        p.step(dt);
    EXPECT_EQ(at(plane), glm::vec3(0, 0, 0));
    // A frame in equal parts of at most 1/30 s, in 60 at most.
    std::vector<int> parts;
    for (float dt : {frame, 1 / 30.0f, 0.034f, 0.1f, 1 / 3.0f, 3600.0f, 0.0f, std::nanf("")})
        parts.push_back(PhysxHandler::stepParts(dt));
    EXPECT_EQ(parts, std::vector<int>({1, 1, 2, 3, 10, 60, 0, 0}));
    EXPECT_EQ(ring->getActivationState(), DISABLE_DEACTIVATION); // asleep it would miss the terrain

    // Flown through: one report, no deflection, the ring stays, and steady steps allocate nothing.
    run(p, 10), allocations = 0, counting = true;
    const Events through = run(p, 230);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(through, (Events{0, 1, 0, 0, 0}));
    EXPECT_TRUE(at(plane).z > 100.0f && glm::length(glm::vec2(at(plane))) < 1e-4f) << at(plane).z;
    EXPECT_EQ(at(ring), glm::vec3(0, 0, 60));

    // Once per entry; a trigger pair reports nothing; the jet and the ground entering at once raise both.
    place(p, plane, {500, 0, 500});
    place(p, ring, {0, -305, 0});
    EXPECT_EQ(run(p, 30), (Events{0, 0, 1, 0, 0}));
    place(p, ring, {300, 50, 0});
    run(p, 1);
    place(p, ring, {300, -295, 0});
    place(p, p.hatActor, {285, -295, 0});
    place(p, plane, {305, -288, 0});
    EXPECT_EQ(run(p, 5), (Events{0, 1, 1, 0, 0}));

    // The world plane z = 100 at x = 2000: at 250 units/s, 5 frames a second, a discrete step would skip it.
    p.terrainTileActors[0] = p.createTerrainPiece(
        {{190, -10, -10}, {210, -10, -10}, {190, -10, 10}, {210, -10, 10}}, {0, 1, 3, 0, 3, 2}, 10.0f, {});
    place(p, plane, {2000, 0, -24}, {0, 0, 250});
    EXPECT_EQ(run(p, 4, 0.2f)[0], 1);
    EXPECT_LT(at(plane).z, 100.0f);

    // Falling onto the ground: the crash comes as the capsule's underside (radius 1.5) touches it.
    place(p, plane, {-600, -280, 0});
    p.setGravityEnabled(plane, true);
    for (int i = 0; i < 240 && !p.planeCrashed; ++i)
        p.step(frame);
    EXPECT_TRUE(p.planeCrashed);
    EXPECT_NEAR(at(plane).y - 1.5f, -300.0f, 1.0f);

    // Model y in [10, 20] lies at world z in [-200, -100]; model z = 3 is world height 30 - 300.
    btRigidBody* piece = addSheet(p, -10, 10, 10, 20, 3, {0, -300, 0});
    ASSERT_TRUE(piece != nullptr && piece->isStaticObject());
    const std::pair<glm::vec3, float> rays[] = {{{0, -300, -150}, 30},  {{0, -300, 150}, 0},
                                                {{150, -300, -150}, 0}, {{0, -269, -150}, 0},
                                                {{0, -469, -150}, 199}, {{0, -471, -150}, 0}};
    for (const auto& [from, hit] : rays)
        EXPECT_NEAR(PhysxHandler::raycastUp(piece, piece, from).value_or(0), hit, 1e-3f) << from.y << from.z;
    EXPECT_FALSE(PhysxHandler::raycastUp(nullptr, piece, {0, -300, -150}).has_value());
    // One shape at another piece's pose: the terrain pieces share one.
    btRigidBody* high = addSheet(p, -10, 10, -10, 10, 0, {0, 0, 0});
    EXPECT_NEAR(PhysxHandler::raycastUp(ground, high, {0, -40, 0}).value_or(0), 40.0f, 1e-3f);

    const std::vector<glm::vec3> points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {std::nanf(""), 0, 0}};
    for (const std::vector<std::uint32_t>& broken :
         {std::vector<std::uint32_t>{0, 1, 7}, {0, 1, 3}, {}, {0, 1}})
        EXPECT_EQ(p.createTerrainPiece(points, broken, 10.0f, {}), nullptr);
    EXPECT_EQ(p.createTerrainPiece(points, {0, 1, 2}, 0.0f, {}), nullptr);
    btRigidBody* kept = p.createTerrainPiece(points, {0, 1, 9, 0, 1, 2, 1}, 10.0f, {});
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(PhysxHandler::raycastUp(kept, kept, {1, -5, -1}).has_value());

    // Damping, gravity, thrust and turn rates were tuned at 60 steps a second: a frame of any length, in one
    // step or in parts, moves as that many explicit 1/60 s steps (not as a smooth exponential decay, which
    // would be some tenths of a percent off after half a second).
    using Motion = std::array<glm::vec3, 3>; // velocity, position, (turn rate, nose x, nose z)
    auto sixtyFps = [](int steps) {
        const double h = 1.0 / 60;
        glm::dvec3 v(10, 0, 30), x(0);
        double turnRate = 0, turned = 0;
        for (int i = 0; i < steps; ++i) {
            v = (v + glm::dvec3(0, PhysxHandler::gravity, 50) * h) * (1 - h);
            turnRate = (turnRate + 15.707964 * h) * (1 - 10 * h);
            x += v * h, turned += turnRate * h;
        }
        return Motion{v, x, {turnRate, std::sin(turned), std::cos(turned)}};
    };
    const std::tuple<int, float, bool> frames[] = {{30, frame, false}, {1, 0.5f, false}, {1, 0.5f, true},
                                                   {5, 0.1f, true},    {3, 0.1f, false}, {1, 30, true}};
    for (const auto& [count, dt, inParts] : frames) {
        PhysxHandler physics;
        btRigidBody* jet = physics.createPlaneBody({0, 0, 0});
        physics.setDamping(jet, 1.0f, 10.0f);
        physics.setGravityEnabled(jet, true);
        PhysxHandler::addVelocityChange(jet, {10, 0, 30});
        const auto rates = [&](float) { physics.addVelocityChangeRate(jet, {0, 0, 50}, {0, 15.707964f, 0}); };
        for (int i = 0; i < count; ++i)
            inParts ? physics.stepFrame(dt, rates) : (rates(dt), physics.step(dt));
        const btVector3 v = jet->getLinearVelocity();
        const glm::vec3 nose = PhysxHandler::getGlobalRotation(jet) * glm::vec3(0, 0, 1);
        const Motion flown{
            glm::vec3(v.x(), v.y(), v.z()), at(jet), {jet->getAngularVelocity().y(), nose.x, nose.z}};
        const Motion expected = sixtyFps(std::lround(count * dt / frame));
        for (int k = 0; k < 3; ++k)
            EXPECT_LT(glm::distance(flown[k], expected[k]), 2e-5f * glm::length(expected[k]) + 2e-5f)
                << count << " x " << dt << (inParts ? " in parts, " : ", ") << k;
    }
}

TEST(PhysxHandlerDeathTest, FailedAllocationsEndWithTheStartUpMessages) {
    const std::pair<void* (*)(size_t, int), const char*> cases[] = {
        {[](size_t, int) -> void* { return nullptr; }, "^ERROR: Could not create Physx Foundation\n"},
        {[](size_t n, int align) -> void* { // all but the world
             void* p = nullptr;
             return n == sizeof(btDiscreteDynamicsWorld) || posix_memalign(&p, align, n) != 0 ? nullptr : p;
         },
         "^ERROR: Could not create Physics\n"}};
    for (const auto& [allocate, message] : cases)
        EXPECT_EXIT(
            {
                btAlignedAllocSetCustomAligned(allocate, std::free);
                PhysxHandler physics;
            },
            testing::ExitedWithCode(1), message);
}
