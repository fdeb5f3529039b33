#pragma once
#include "tools/preview/Tile.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <string>

namespace tavo::preview {

// A square framebuffer shaped like the game's scene target: colour output 0 (the picture) and output 1 (the
// glow source) that the lit programs write, and a depth buffer.
class OffscreenTarget {
public:
    explicit OffscreenTarget(int size);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // Binds the target and clears output 0 to the background, output 1 to black and depth to far.
    void begin(const glm::vec3& background);
    // One output read back as an opaque tile.
    Tile read(int output, const std::string& label) const;

    int size;

private:
    GLuint framebuffer = 0;
    GLuint colour[2] = {0, 0};
    GLuint depth = 0;
};

} // namespace tavo::preview
