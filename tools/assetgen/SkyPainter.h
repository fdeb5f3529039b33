#pragma once
#include "tools/assetgen/Image.h"

#include <glm/glm.hpp>

namespace tavo::assetgen {

// Direction of the sun disk: where the lens flare aims, so flare and painted sun coincide.
inline const glm::vec3 skySunDirection = glm::normalize(glm::vec3(-0.5f, 0.5f, -1.0f));

// The sky seen in a direction: blue deepening toward the zenith, clouds, the sun with its glow, and a hazy
// ground below the horizon (seen past the end of the terrain).
glm::vec3 skyColour(const glm::vec3& direction);

// The direction that the cube map shows at pixel (x, memory row) of face `face` (0..5: +X, -X, +Y, -Y, +Z,
// -Z). The sky box loads its faces with an upper-left origin, so the file's top row (our last memory row)
// arrives as row 0, t = 0 of the cube-map face.
glm::vec3 skyFaceDirection(int face, int x, int row, int size);

// One square RGB face of the sky box.
Image paintSkyFace(int face, int size);

} // namespace tavo::assetgen
