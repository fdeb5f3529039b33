#include "render/TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H

#include <algorithm>
#include <iostream>

namespace {

// A glyph's bitmap as tightly packed 8-bit coverage, top row first, whatever FreeType gave: one bit a pixel
// (bitmap fonts), two or four bits, rows padded beyond the width, or rows stored bottom up. The conversion
// reuses packed's buffer from glyph to glyph. False when FreeType cannot convert it.
bool packCoverage(FT_Library library, const FT_Bitmap& bitmap, FT_Bitmap& packed) {
    // An empty bitmap (the blank) has nothing to convert, whatever mode it names.
    if (bitmap.width == 0 || bitmap.rows == 0) {
        FT_Bitmap_Done(library, &packed);
        return true;
    }
    if (FT_Bitmap_Convert(library, &bitmap, &packed, 1) != 0)
        return false;
    // Converted levels run from 0 to num_grays - 1: a set bit of a one-bit bitmap is 1, not full coverage.
    const unsigned int top = packed.num_grays > 1 ? packed.num_grays - 1u : 1u;
    if (top != 255)
        for (size_t i = 0; i < static_cast<size_t>(packed.rows) * packed.width; ++i)
            packed.buffer[i] = static_cast<unsigned char>(std::min(255u, packed.buffer[i] * 255u / top));
    return true;
}

void loadGlyphs(FT_Library library, FT_Face face, std::array<Glyph, 128>& glyphs) {
    FT_Set_Pixel_Sizes(face, 0, 48);
    FT_Bitmap packed;
    FT_Bitmap_Init(&packed);
    for (unsigned int code = 0; code < glyphs.size(); ++code) {
        if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0 ||
            !packCoverage(library, face->glyph->bitmap, packed)) {
            std::cout << "ERROR::FREETYTPE: Failed to load Glyph " << static_cast<char>(code) << std::endl;
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        Glyph& glyph = glyphs[code];
        glGenTextures(1, &glyph.textureId);
        glBindTexture(GL_TEXTURE_2D, glyph.textureId);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, static_cast<GLsizei>(packed.width),
                     static_cast<GLsizei>(packed.rows), 0, GL_RED, GL_UNSIGNED_BYTE, packed.buffer);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glyph.size = glm::ivec2(packed.width, packed.rows);
        glyph.bearing = glm::ivec2(slot->bitmap_left, slot->bitmap_top);
        glyph.advance = static_cast<unsigned int>(slot->advance.x);
    }
    FT_Bitmap_Done(library, &packed);
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace

TextRenderer::TextRenderer(const std::string& fontPath) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::cout << "ERROR::FREETYPE: Could not init FreeType Library" << std::endl;
        library = nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
        std::cout << "ERROR::FREETYPE: Failed to load font" << std::endl;
        face = nullptr;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Without a face there is nothing to rasterise; every glyph stays empty.
    if (face) {
        loadGlyphs(library, face, glyphs);
        FT_Done_Face(face);
    }
    if (library)
        FT_Done_FreeType(library);

    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, 6 * 4 * sizeof(GLfloat), nullptr, GL_DYNAMIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

TextRenderer::~TextRenderer() {
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
    for (Glyph& glyph : glyphs)
        glDeleteTextures(1, &glyph.textureId);
}

void TextRenderer::renderText(Shader* shader, std::string_view text, float x, float y, float scale,
                              glm::vec4 colour, GLint colourLocation) {
    glUseProgram(shader->programId);
    glUniform4f(colourLocation, colour.r, colour.g, colour.b, colour.a);
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(vao);

    const Glyph absent;
    float pen = x;
    for (const char character : text) {
        const auto code = static_cast<unsigned char>(character);
        const Glyph& glyph = code < glyphs.size() ? glyphs[code] : absent;
        // A glyph without a bitmap (the blank) would only draw an empty quad.
        if (glyph.size.x > 0 && glyph.size.y > 0) {
            const float xpos = pen + static_cast<float>(glyph.bearing.x) * scale;
            const float ypos = y - static_cast<float>(glyph.size.y - glyph.bearing.y) * scale;
            const float w = static_cast<float>(glyph.size.x) * scale;
            const float h = static_cast<float>(glyph.size.y) * scale;
            // The bitmap's first row is its top: t = 0 at the top of the quad.
            const GLfloat vertices[6][4] = {{xpos, ypos + h, 0.0f, 0.0f}, {xpos, ypos, 0.0f, 1.0f},
                                            {xpos + w, ypos, 1.0f, 1.0f}, {xpos, ypos + h, 0.0f, 0.0f},
                                            {xpos + w, ypos, 1.0f, 1.0f}, {xpos + w, ypos + h, 1.0f, 0.0f}};
            glBindTexture(GL_TEXTURE_2D, glyph.textureId);
            glBindBuffer(GL_ARRAY_BUFFER, vbo);
            glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof vertices, vertices);
            glBindBuffer(GL_ARRAY_BUFFER, 0);
            glDrawArrays(GL_TRIANGLES, 0, 6);
        }
        // Whole pixels before scaling.
        pen += static_cast<float>(glyph.advance >> 6) * scale;
    }
    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
}
