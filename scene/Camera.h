#pragma once
#include "scene/SceneObject.h"

#include <glm/glm.hpp>

namespace tavo::scene {

// Follows the aircraft in one of three modes: 0 rolling chase (the aircraft's own up), 1 level chase (world
// up), 2 mouse orbit (100 cursor units per radian). V or the joystick's camera button advances the mode once
// per press.
class Camera : public SceneObject {
public:
    Camera(float distance, float angle, const glm::mat4& model);

    // Reads the cursor and switches the mode; the time step is not used.
    void update(float deltaTime, GLFWwindow* window) override;
    void draw() override {}

    // Places the eye for the current mode around the target's model matrix, raised by 10 x lift, and returns
    // the view matrix.
    glm::mat4 computeView(const glm::mat4& targetModel, float lift);

    // The mode switch alone, for a caller that already has the cursor position.
    void applyInput(double cursorXValue, double cursorYValue);

    glm::vec3 position{0.0f};
    glm::vec3 up{0.0f};
    glm::vec3 viewDirection{0.0f};
    float distance;
    float angle;
    double cursorX = 0.0;
    double cursorY = -300.0;
    // The orbit's elevation stops short of the poles, where the view would turn over: cursor travel beyond a
    // stop is taken off here, so that moving back turns the view back at once.
    static constexpr double maxOrbitPitch = 85.0 * 3.141592653589793 / 180.0;
    double pitchSlack = 0.0;
    bool switchLatch = false;
    int mode = 0;
    int maxMode = 2;
};

} // namespace tavo::scene
