#include "scene/ViewFrustum.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace tavo::scene {

void ViewFrustum::setInternals(float fovY, float ratioValue, float nearValue, float farValue) {
    nearDist = nearValue;
    farDist = farValue;
    ratio = ratioValue;
    tang = static_cast<float>(std::tan(static_cast<double>(fovY * 0.5f)));
    sphereFactorY = static_cast<float>(1.0 / std::cos(static_cast<double>(fovY * 0.5f)));
    const float angleX = static_cast<float>(std::atan(static_cast<double>(tang * ratio)));
    sphereFactorX = static_cast<float>(1.0 / std::cos(static_cast<double>(angleX)));
}

void ViewFrustum::setCamera(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up) {
    cameraPosition = eye;
    zAxis = glm::normalize(target - eye);
    xAxis = glm::normalize(glm::cross(zAxis, up));
    yAxis = glm::cross(xAxis, zAxis);
}

glm::mat4 perspectiveProjection(float fovY, float ratio) {
    return glm::perspective(fovY, ratio, 0.1f, 10000.0f);
}

float fieldOfViewY(float zoomFactor) {
    return (zoomFactor * 90.0f) * 0.0174532924f;
}

} // namespace tavo::scene
