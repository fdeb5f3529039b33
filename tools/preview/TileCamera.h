#pragma once
#include <glm/glm.hpp>

#include <vector>

namespace tavo::preview {

// An axis-aligned box in world space, grown point by point.
struct Bounds {
    glm::vec3 low{1e30f};
    glm::vec3 high{-1e30f};

    void add(const glm::vec3& point) {
        low = glm::min(low, point);
        high = glm::max(high, point);
    }
    bool empty() const { return low.x > high.x; }
};

struct TileCamera {
    glm::mat4 view{1.0f};
    glm::mat4 projection{1.0f};
};

// A perspective view from above and in front along "towardCamera" (world y up) that fills a square picture
// with the box: the box's eight corners span the larger picture axis to within "margin" of the edge.
TileCamera frameBounds(const Bounds& box, const glm::vec3& towardCamera, float margin = 0.06f);

} // namespace tavo::preview
