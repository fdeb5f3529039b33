#pragma once
#include "scene/FlightModel.h"

#include <glm/glm.hpp>

// Points and refills of the game's events.
constexpr int ringPoints = 100;
constexpr int hatPoints = 20;
using tavo::scene::fullBoostReserve; // a can fills the reserve up to the jet's own full one

// The position of a model matrix: its translation column.
inline glm::vec3 positionOf(const glm::mat4& model) {
    return glm::vec3(model[3]);
}
