#pragma once
#include <glm/glm.hpp>

#include <cstdint>

namespace tavo::assetgen {

// Smooth value noise in [-1, 1] from an integer lattice hash: the same input gives the same value on every
// machine and in every run, so generated files are reproducible byte for byte.
float valueNoise(const glm::vec3& p, std::uint32_t seed);

// Sum of `octaves` noise layers, each twice the frequency and half the amplitude of the last, scaled to [-1,
// 1].
float fractalNoise(const glm::vec3& p, int octaves, std::uint32_t seed);

} // namespace tavo::assetgen
