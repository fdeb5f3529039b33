#pragma once
#include <glm/glm.hpp>

// Points and refills of the game's events.
constexpr int ringPoints = 100;
constexpr int hatPoints = 20;
constexpr float fullBoostReserve = 5.0f;

// The position of a model matrix: its translation column.
inline glm::vec3 positionOf(const glm::mat4& model) {
    return glm::vec3(model[3]);
}
