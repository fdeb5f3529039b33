#include "scene/Placement.h"
#include "util/PhysxHandler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using namespace tavo::scene;

TEST(Placement, ClockAndRandomWordsGiveThePlace) {
    const Placement origin = computePlacement(5, 0, 0, 0);
    EXPECT_EQ(origin.a, 0.0f);
    EXPECT_EQ(origin.b, 0.0f);
    EXPECT_FLOAT_EQ(origin.h, -20.0f);
    EXPECT_EQ(origin.turn, 0.0f);

    const Placement p = computePlacement(10, 500, 0x80000000u, 0x40000000u);
    EXPECT_FLOAT_EQ(p.a, 500.0f);
    EXPECT_EQ(p.b, 0.0f);
    EXPECT_NEAR(p.h, 0.0f, 1e-5f);
    EXPECT_NEAR(p.turn, 1.5707964f, 1e-5f);

    const Placement q = computePlacement(0, 999, 0xFEFEFEFEu, 0);
    EXPECT_NEAR(q.a, -999.0f, 1e-3f);
    EXPECT_NEAR(q.b, -999.0f, 1e-3f);
    EXPECT_NEAR(q.h, 19.84f, 0.01f);
    EXPECT_NEAR(computePlacement(6, 300, 0, 0).b, 300.0f, 1e-3f);
}

TEST(Placement, RandomWordTakesFourBytesLowestFirst) {
    std::srand(12345);
    const std::uint32_t word = randomWord();
    std::srand(12345);
    std::uint32_t expected = 0;
    for (int byte = 0; byte < 4; ++byte)
        expected |= static_cast<std::uint32_t>(std::rand() % 255) << (8 * byte);
    EXPECT_EQ(word, expected);
    for (int i = 0; i < 200; ++i) {
        const std::uint32_t w = randomWord();
        for (int byte = 0; byte < 4; ++byte)
            EXPECT_LE((w >> (8 * byte)) & 0xFFu, 254u);
    }
}

TEST(Placement, ClockReadsUtcSecondAndMillisecond) {
    const auto before = std::chrono::system_clock::now().time_since_epoch();
    int second = -1, millisecond = -1;
    utcSecondAndMillisecond(second, millisecond);
    const auto after = std::chrono::system_clock::now().time_since_epoch();
    const long long lo = std::chrono::duration_cast<std::chrono::milliseconds>(before).count();
    const long long hi = std::chrono::duration_cast<std::chrono::milliseconds>(after).count();
    bool matches = false;
    for (long long t = lo; t <= hi; ++t)
        matches = matches || (t / 1000 % 60 == second && t % 1000 == millisecond);
    EXPECT_TRUE(matches) << second << " s " << millisecond << " ms";
}

TEST(Placement, LoopStopsAtTheFirstClearPlaceOrAfterTheBound) {
    int moves = 0;
    EXPECT_TRUE(placeClear([&] { ++moves; }, [&] { return moves < 3; }));
    EXPECT_EQ(moves, 3);
    moves = 0;
    EXPECT_FALSE(placeClear([&] { ++moves; }, [] { return true; }));
    EXPECT_EQ(moves, maxPlacementAttempts);
}

TEST(Placement, TerrainTestNeedsThePieces) {
    tavo::util::PhysxHandler physics;
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
