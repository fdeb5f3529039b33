#pragma once
#include "render/Shader.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <array>
#include <string>
#include <string_view>

// One cached character: its coverage bitmap (red channel) and metrics in pixels at the cache's height.
struct Glyph {
    GLuint textureId = 0;
    glm::ivec2 size{0};       // bitmap width and rows
    glm::ivec2 bearing{0};    // pen to the bitmap's left edge; baseline to the bitmap's top
    unsigned int advance = 0; // 1/64 pixel
};

// Draws strings with a TrueType font: codes 0 to 127 are rasterised once at a pixel height of 48, then every
// character is one quad written into a 96-byte buffer and drawn on its own. Coordinates are window pixels
// from the lower-left corner (the text program's "projection" maps them).
//
// Texture unit 0: renderText binds each glyph's texture there and ends with unit 0 active and no texture
// bound; the text program stays in use. The constructor sets GL_UNPACK_ALIGNMENT to 1 for good (glyph rows
// are tightly packed). Blending, depth and culling are the caller's.
//
// Whatever FreeType renders (one bit a pixel from a bitmap font, padded rows) is repacked at load into tight
// 8-bit coverage; a glyph it cannot render or convert is left empty, with a message.
//
// A font that does not load leaves every glyph empty, so text draws as nothing. A byte without a glyph (128
// and above, or a code that failed to load) draws nothing and does not move the pen.
class TextRenderer {
public:
    explicit TextRenderer(const std::string& fontPath);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Draws text with its baseline starting at (x, y), each glyph scaled by scale, in colour, which is set at
    // colourLocation of the program.
    void renderText(Shader* shader, std::string_view text, float x, float y, float scale, glm::vec4 colour,
                    GLint colourLocation);

    // Indexed by character code; a code that did not load keeps the empty glyph.
    std::array<Glyph, 128> glyphs{};
    GLuint vao = 0;
    GLuint vbo = 0;
};
