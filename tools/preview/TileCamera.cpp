#include "tools/preview/TileCamera.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>

namespace tavo::preview {

TileCamera frameBounds(const Bounds& box, const glm::vec3& towardCamera, float margin) {
    const glm::vec3 centre = 0.5f * (box.low + box.high);
    const float radius = std::max(0.5f * glm::length(box.high - box.low), 1e-3f);
    const float halfFov = glm::radians(15.0f);
    // Far enough that the bounding sphere fits the view cone; the zoom below then tightens it to the box.
    const float distance = radius / std::sin(halfFov);
    const glm::vec3 direction = glm::normalize(towardCamera);
    // A view straight down needs another up vector than world y.
    const glm::vec3 up =
        std::abs(direction.y) > 0.99f ? glm::vec3(0.0f, 0.0f, -1.0f) : glm::vec3(0.0f, 1.0f, 0.0f);

    TileCamera camera;
    camera.view = glm::lookAt(centre + direction * distance, centre, up);
    const glm::mat4 lens =
        glm::perspective(2.0f * halfFov, 1.0f, std::max(distance - 1.05f * radius, distance * 1e-3f),
                         distance + 1.05f * radius);

    glm::vec2 low(1e30f);
    glm::vec2 high(-1e30f);
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 point((corner & 1) ? box.high.x : box.low.x, (corner & 2) ? box.high.y : box.low.y,
                              (corner & 4) ? box.high.z : box.low.z);
        const glm::vec4 clip = lens * camera.view * glm::vec4(point, 1.0f);
        const glm::vec2 ndc = glm::vec2(clip) / clip.w;
        low = glm::min(low, ndc);
        high = glm::max(high, ndc);
    }
    // A zoom and shift in clip space (x' = s x - s c w) centres the projected box and scales it to the
    // picture.
    const glm::vec2 middle = 0.5f * (low + high);
    const float scale = 2.0f * (1.0f - margin) / std::max(std::max(high.x - low.x, high.y - low.y), 1e-6f);
    glm::mat4 zoom(1.0f);
    zoom[0][0] = scale;
    zoom[1][1] = scale;
    zoom[3][0] = -scale * middle.x;
    zoom[3][1] = -scale * middle.y;
    camera.projection = zoom * lens;
    return camera;
}

} // namespace tavo::preview
