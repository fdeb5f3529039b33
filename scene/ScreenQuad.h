#pragma once
#include <GL/glew.h>

namespace tavo::scene {

// Buffers and vertex array of one screen-space quad (two triangles) as the glow, the lens flare and the
// overlays draw it: four corners (x, y, 0), texture coordinates from (0, 0) at the lower left to (1, 1),
// indices 0 1 2, 0 2 3. The vertex array feeds the program's "position" and "uv". The caller owns the four
// names.
struct ScreenQuadNames {
    GLuint& vertexBuffer;
    GLuint& indexBuffer;
    GLuint& uvBuffer;
    GLuint& vertexArray;
};

// halfSize 1 covers the whole clip square. Leaves no buffer or vertex array bound.
void createScreenQuad(float halfSize, GLuint program, const ScreenQuadNames& names);

// Draws the six indices of a quad made by createScreenQuad.
void drawScreenQuad(GLuint vertexArray);

} // namespace tavo::scene
