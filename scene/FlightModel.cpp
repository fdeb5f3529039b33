#include "scene/FlightModel.h"

namespace tavo::scene {

glm::vec3 forwardAxis(const glm::quat& rotation) {
    return rotation * glm::vec3(0.0f, 0.0f, 1.0f);
}
glm::vec3 sideAxis(const glm::quat& rotation) {
    return rotation * glm::vec3(1.0f, 0.0f, 0.0f);
}
glm::vec3 upAxis(const glm::quat& rotation) {
    return rotation * glm::vec3(0.0f, 1.0f, 0.0f);
}

FlightCommand steer(const InputState* input, const glm::quat& rotation, bool crashed, float& boostReserve,
                    float dt) {
    FlightCommand command;
    if (crashed || !input)
        return command;
    const float fullRate = 90.0f * degree;
    command.angularVelocity = (input->rollAxis * fullRate) * forwardAxis(rotation) +
                              (input->pitchAxis * -fullRate) * sideAxis(rotation) +
                              (input->yawAxis * fullRate) * upAxis(rotation);
    if (input->boostButton && boostReserve > 0.0f) {
        boostReserve -= dt;
        command.speed = boostSpeed;
    } else {
        command.speed = cruiseSpeed;
    }
    return command;
}

} // namespace tavo::scene
