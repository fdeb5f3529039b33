#include "scene/Camera.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>

namespace tavo::scene {

Camera::Camera(float distance, float angle, const glm::mat4& model)
    : SceneObject(model), distance(distance), angle(angle * 1.34f) {}

void Camera::update(float, GLFWwindow* window) {
    double x = cursorX;
    double y = cursorY;
    if (window)
        glfwGetCursorPos(window, &x, &y);
    applyInput(x, y);
}

void Camera::applyInput(double cursorXValue, double cursorYValue) {
    cursorX = cursorXValue;
    cursorY = cursorYValue;
    const double pitch = cursorY / 100.0 - pitchSlack;
    pitchSlack += pitch - std::clamp(pitch, -maxOrbitPitch, maxOrbitPitch);
    if (input && input->cameraButton) {
        if (!switchLatch || input->cameraPressed) {
            switchLatch = true;
            mode = mode < maxMode ? mode + 1 : 0;
        }
    } else {
        switchLatch = false;
    }
}

glm::mat4 Camera::computeView(const glm::mat4& targetModel, float lift) {
    const glm::vec3 target(targetModel[3]);
    up = glm::vec3(0.0f, 1.0f, 0.0f);
    const double a = -static_cast<double>(angle);
    const float sy = static_cast<float>(std::sin(a)) * distance;
    const float sz = static_cast<float>(std::cos(a)) * distance;
    if (mode == 2) {
        const double p = std::clamp(cursorY / 100.0 - pitchSlack, -maxOrbitPitch, maxOrbitPitch);
        const double q = cursorX / 100.0;
        const double d = distance;
        position = target + glm::vec3(static_cast<float>(std::sin(q) * std::cos(p) * d),
                                      static_cast<float>(std::sin(p) * d),
                                      static_cast<float>(std::cos(q) * std::cos(p) * d));
    } else {
        position = glm::vec3(glm::translate(targetModel, glm::vec3(0.0f, sy, sz))[3]);
        if (mode == 0)
            up = glm::normalize(glm::vec3(glm::translate(targetModel, glm::vec3(0.0f, 1.0f, 0.0f))[3]) -
                                target);
    }
    position.y += 10.0f * lift;
    const glm::vec3 toTarget = target - position;
    viewDirection = toTarget * (1.0f / std::sqrt(glm::dot(toTarget, toTarget)));
    return glm::lookAt(position, target, up);
}

} // namespace tavo::scene
