#pragma once
#include "scene/InputState.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

namespace tavo::scene {

constexpr float cruiseSpeed = 50.0f;
constexpr float boostSpeed = 250.0f;
constexpr float fullBoostReserve = 5.0f;
constexpr float degree = 0.017453292f;

// What the jet asks of its body this frame: the turn rate (world frame, radians per second) and the speed
// along its forward axis. With the hand damping of the physics step the body settles near these.
struct FlightCommand {
    glm::vec3 angularVelocity{0.0f};
    float speed = 0.0f;
};

// The jet's axes in the world: forward is its local +z, up +y, side +x (to its left).
glm::vec3 forwardAxis(const glm::quat& rotation);
glm::vec3 sideAxis(const glm::quat& rotation);
glm::vec3 upAxis(const glm::quat& rotation);

// Roll about forward, pitch about side and yaw about up at 90 degrees per second for a full axis; 250 while
// the boost is held and reserve is left (the reserve runs down by dt and may end a little below 0), else 50.
// A crashed jet, or one without an input record, asks for nothing.
FlightCommand steer(const InputState* input, const glm::quat& rotation, bool crashed, float& boostReserve,
                    float dt);

} // namespace tavo::scene
