#pragma once
#include <glm/glm.hpp>

#include <cstdint>

class btRigidBody;

namespace tavo::util {
class PhysxHandler;
}

namespace tavo::scene {

// Rings and pickups land at a horizontal place taken from the UTC clock (second s, millisecond m) and a
// height and a turn about the vertical from the never-seeded rand(), so the heights repeat from run to run
// and the places do not.
struct Placement {
    float a;    // ((s mod 11) - 5) / 5 x m
    float b;    // ((s mod 7) - 3) / 3 x m
    float h;    // in [-20, 19.84]
    float turn; // in [0, 2 pi)
};

Placement computePlacement(int second, int millisecond, std::uint32_t heightWord, std::uint32_t turnWord);

// Four rand() % 255 bytes, the first the lowest.
std::uint32_t randomWord();

// The clock and two random words, in the game's order.
Placement nextPlacement();

// The terrain slots the placement tests use: the centre piece "Grid" and "Grid_right".
constexpr int centreTile = 7;
constexpr int rightTile = 0;

// True when the terrain piece in shapeTile, posed as the piece in poseTile, lies within 200 units straight
// above the body. A missing piece or body is never above anything.
bool terrainAbove(const util::PhysxHandler& physics, const btRigidBody* body, int shapeTile = centreTile,
                  int poseTile = centreTile);

// Where every place could lie under the terrain the game's loop would never end: after this many places the
// last one is kept.
constexpr int maxPlacementAttempts = 1000;

// Calls reposition until buried() is false, at most maxAttempts times. True when a clear place was found.
template <class Reposition, class Buried>
bool placeClear(Reposition&& reposition, Buried&& buried, int maxAttempts = maxPlacementAttempts) {
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        reposition();
        if (!buried())
            return true;
    }
    return false;
}

} // namespace tavo::scene
