#pragma once
#include <glm/glm.hpp>

namespace tavo::scene {

// Bounding-sphere culling by the radar test: distances along the camera's own axes against the frustum's
// half-extents at that depth, widened by the sphere factors. No planes, no square roots.
class ViewFrustum {
public:
    void setInternals(float fovY, float ratio, float nearDist, float farDist);
    void setCamera(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up);

    // False only when the sphere lies wholly outside; touching a boundary counts as visible.
    bool sphereVisible(const glm::vec3& centre, float radius) const {
        const glm::vec3 v = centre - cameraPosition;
        const float az = glm::dot(v, zAxis);
        if (az > farDist + radius || nearDist - radius > az)
            return false;
        const float ay = glm::dot(v, yAxis);
        const float h = tang * az;
        const float dy = sphereFactorY * radius;
        if (ay > h + dy || -h - dy > ay)
            return false;
        const float ax = glm::dot(v, xAxis);
        const float w = ratio * h;
        const float dx = sphereFactorX * radius;
        return !(ax > w + dx || -w - dx > ax);
    }

    glm::vec3 cameraPosition{0.0f};
    glm::vec3 xAxis{0.0f};
    glm::vec3 yAxis{0.0f};
    glm::vec3 zAxis{0.0f};
    float nearDist = 0.0f;
    float farDist = 0.0f;
    float sphereFactorX = 0.0f;
    float sphereFactorY = 0.0f;
    float ratio = 0.0f;
    float tang = 0.0f;
};

// The game's perspective: fovY in radians, near 0.1, far 10000.
glm::mat4 perspectiveProjection(float fovY, float ratio);

// fovY for a zoom factor: (zoom x 90) degrees, converted in single precision.
float fieldOfViewY(float zoomFactor);

} // namespace tavo::scene
