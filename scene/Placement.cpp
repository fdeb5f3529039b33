#include "scene/Placement.h"

#include "util/PhysxHandler.h"
#include "util/Platform.h"

#include <cstdlib>

namespace tavo::scene {

namespace {
constexpr float twoToMinus32 = 2.3283064e-10f;
}

Placement computePlacement(int second, int millisecond, std::uint32_t heightWord, std::uint32_t turnWord) {
    const float m = static_cast<float>(millisecond);
    Placement p;
    p.a = static_cast<float>(second % 11 - 5) / 5.0f * m;
    p.b = static_cast<float>(second % 7 - 3) / 3.0f * m;
    p.h = static_cast<float>(heightWord) * twoToMinus32 * 40.0f - 20.0f;
    p.turn = static_cast<float>(turnWord) * twoToMinus32 * 6.2831855f;
    return p;
}

std::uint32_t randomWord() {
    std::uint32_t word = 0;
    for (int byte = 0; byte < 4; ++byte)
        word |= static_cast<std::uint32_t>(std::rand() % 255) << (8 * byte);
    return word;
}

Placement nextPlacement() {
    int second = 0, millisecond = 0;
    util::utcSecondAndMillisecond(second, millisecond);
    const std::uint32_t heightWord = randomWord();
    const std::uint32_t turnWord = randomWord();
    return computePlacement(second, millisecond, heightWord, turnWord);
}

bool terrainAbove(const util::PhysxHandler& physics, const btRigidBody* body, int shapeTile, int poseTile) {
    if (!body || shapeTile < 0 || poseTile < 0 || shapeTile >= util::PhysxHandler::terrainTileCount ||
        poseTile >= util::PhysxHandler::terrainTileCount)
        return false;
    return util::PhysxHandler::raycastUp(physics.terrainTileActors[shapeTile],
                                         physics.terrainTileActors[poseTile],
                                         util::PhysxHandler::getGlobalPosition(body))
        .has_value();
}

} // namespace tavo::scene
