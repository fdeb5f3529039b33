#pragma once
#include <glm/glm.hpp>

#include <algorithm>

namespace tavo::assetgen {

// A rectangle of the aircraft's texture atlas in UV space (v up, as the meshes use it).
struct UvRect {
    glm::vec2 min;
    glm::vec2 max;

    constexpr glm::vec2 at(float s, float t) const {
        return {min.x + (max.x - min.x) * s, min.y + (max.y - min.y) * t};
    }
    constexpr glm::vec2 centre() const { return at(0.5f, 0.5f); }
    // Local coordinates of uv, clamped to the rectangle: texels in the padding around an island repeat its
    // edge, so mipmaps and linear filtering never pull the background into a part.
    glm::vec2 local(const glm::vec2& uv) const {
        return glm::clamp((uv - min) / (max - min), glm::vec2(0.0f), glm::vec2(1.0f));
    }
    bool contains(const glm::vec2& uv, float margin) const {
        return uv.x >= min.x - margin && uv.x <= max.x + margin && uv.y >= min.y - margin &&
               uv.y <= max.y + margin;
    }
};

// The one layout that the aircraft model's UVs and both aircraft textures share. Islands lie at least 0.02
// apart (20 texels of the colour texture), and the painters extend each island by `atlasPadding` into that
// gap.
namespace atlas {
inline constexpr float atlasPadding = 0.008f;
// Fuselage unrolled: s = angle round the long axis (0 and 1 under the belly, 0.5 on top), t = 0 tail .. 1
// nose.
inline constexpr UvRect fuselage{{0.02f, 0.02f}, {0.48f, 0.98f}};
// Main wings and leading-edge extensions seen from above: s = (x + 6) / 12, t = (y + 4) / 10.
inline constexpr UvRect wings{{0.52f, 0.52f}, {0.98f, 0.98f}};
// Flaps and stabilators seen from above, relative to their pivots.
inline constexpr UvRect flaps{{0.52f, 0.39f}, {0.74f, 0.48f}};
inline constexpr UvRect stabilators{{0.76f, 0.39f}, {0.98f, 0.48f}};
// Fins seen from the side relative to their pivots: s = forward, t = up.
inline constexpr UvRect fins{{0.52f, 0.25f}, {0.98f, 0.37f}};
// Canopy seen from above.
inline constexpr UvRect canopy{{0.52f, 0.13f}, {0.74f, 0.23f}};
// Flat-coloured squares: one UV each.
inline constexpr UvRect nozzleMetal{{0.76f, 0.13f}, {0.84f, 0.23f}};
inline constexpr UvRect nozzleFire{{0.86f, 0.13f}, {0.98f, 0.23f}};
inline constexpr UvRect hatFelt{{0.52f, 0.02f}, {0.6f, 0.1f}};
inline constexpr UvRect portLight{{0.76f, 0.02f}, {0.84f, 0.1f}};
inline constexpr UvRect starboardLight{{0.86f, 0.02f}, {0.94f, 0.1f}};
} // namespace atlas

} // namespace tavo::assetgen
