#include "tools/assetgen/Noise.h"

#include <cmath>

namespace tavo::assetgen {

namespace {

std::uint32_t hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float lattice(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    return static_cast<float>(hash(x, y, z, seed) & 0xFFFFFFu) / static_cast<float>(0xFFFFFF) * 2.0f - 1.0f;
}

float fade(float t) {
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

float valueNoise(const glm::vec3& p, std::uint32_t seed) {
    const glm::vec3 cell = glm::floor(p);
    const glm::vec3 f = p - cell;
    const auto x = static_cast<std::int32_t>(cell.x);
    const auto y = static_cast<std::int32_t>(cell.y);
    const auto z = static_cast<std::int32_t>(cell.z);
    const float u = fade(f.x), v = fade(f.y), w = fade(f.z);
    auto mix = [](float a, float b, float t) { return a + (b - a) * t; };
    const float x00 = mix(lattice(x, y, z, seed), lattice(x + 1, y, z, seed), u);
    const float x10 = mix(lattice(x, y + 1, z, seed), lattice(x + 1, y + 1, z, seed), u);
    const float x01 = mix(lattice(x, y, z + 1, seed), lattice(x + 1, y, z + 1, seed), u);
    const float x11 = mix(lattice(x, y + 1, z + 1, seed), lattice(x + 1, y + 1, z + 1, seed), u);
    return mix(mix(x00, x10, v), mix(x01, x11, v), w);
}

float fractalNoise(const glm::vec3& p, int octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    glm::vec3 q = p;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(q, seed + static_cast<std::uint32_t>(i));
        total += amplitude;
        amplitude *= 0.5f;
        q *= 2.0f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

} // namespace tavo::assetgen
