#include "render/TextRenderer.h"
#include "render/Shader.h"
#include "support/GlContext.h"
#include "support/SceneTarget.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <memory>
#include <string>
#include <vector>

namespace {

const char* fontPath = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

class TextRendererTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shader = std::make_unique<Shader>(TEXT, "./Shader/text.vert", "./Shader/text.frag");
        glUseProgram(shader->programId);
        const glm::mat4 projection = glm::ortho(0.0f, float(width), 0.0f, float(height));
        glUniformMatrix4fv(glGetUniformLocation(shader->programId, "projection"), 1, GL_FALSE,
                           glm::value_ptr(projection));
        colourLocation = glGetUniformLocation(shader->programId, "textColor");
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void TearDown() override {
        glDisable(GL_BLEND);
        GlTest::TearDown();
    }

    // Draws the text in white at (20, 60), scale 0.8, into a cleared target and returns its coverage (the
    // picture's red channel), bottom row first.
    std::vector<int> coverage(TextRenderer& text, const std::string& line,
                              glm::vec4 colour = glm::vec4(1.0f)) {
        target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
        text.renderText(shader.get(), line, 20.0f, 60.0f, 0.8f, colour, colourLocation);
        const auto rgba = target.pixels(0);
        std::vector<int> red(rgba.size() / 4);
        for (size_t i = 0; i < red.size(); ++i)
            red[i] = rgba[i * 4];
        return red;
    }

    static bool columnLit(const std::vector<int>& red, int x) {
        for (int y = 0; y < height; ++y)
            if (red[static_cast<size_t>(y) * width + x] > 0)
                return true;
        return false;
    }
    static bool rowLit(const std::vector<int>& red, int y) {
        for (int x = 0; x < width; ++x)
            if (red[static_cast<size_t>(y) * width + x] > 0)
                return true;
        return false;
    }
    // Left edges of the runs of lit columns.
    static std::vector<int> runStarts(const std::vector<int>& red) {
        std::vector<int> starts;
        for (int x = 0; x < width; ++x)
            if (columnLit(red, x) && (x == 0 || !columnLit(red, x - 1)))
                starts.push_back(x);
        return starts;
    }
    static int lowestRow(const std::vector<int>& red) {
        for (int y = 0; y < height; ++y)
            if (rowLit(red, y))
                return y;
        return height;
    }
    static int highestRow(const std::vector<int>& red) {
        for (int y = height - 1; y >= 0; --y)
            if (rowLit(red, y))
                return y;
        return -1;
    }
    static bool blank(const std::vector<int>& red) {
        for (const int value : red)
            if (value != 0)
                return false;
        return true;
    }

    std::unique_ptr<Shader> shader;
    GLint colourLocation = -1;
    SceneTarget target{width, height};
};

TEST_F(TextRendererTest, PenMovesByTheWholePixelAdvanceTimesTheScale) {
    TextRenderer text(fontPath);
    const Glyph& l = text.glyphs['l'];
    ASSERT_GT(l.advance, 0u);
    const float step = static_cast<float>(l.advance >> 6) * 0.8f;

    const auto starts = runStarts(coverage(text, "lll"));
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_NEAR(starts[1] - starts[0], step, 1.0f);
    EXPECT_NEAR(starts[2] - starts[0], 2.0f * step, 1.0f);
    // The first glyph starts at the pen plus its bearing.
    EXPECT_NEAR(starts[0], 20.0f + l.bearing.x * 0.8f, 1.0f);

    // A blank moves the pen by its own advance without drawing.
    const auto spaced = runStarts(coverage(text, "l l"));
    ASSERT_EQ(spaced.size(), 2u);
    const float blankStep = static_cast<float>(text.glyphs[' '].advance >> 6) * 0.8f;
    EXPECT_NEAR(spaced[1] - spaced[0], step + blankStep, 1.0f);
}

TEST_F(TextRendererTest, DescenderHangsBelowTheBaseline) {
    TextRenderer text(fontPath);
    const auto g = coverage(text, "g");
    EXPECT_LE(lowestRow(g), 60 - 6) << "g reaches below the baseline";
    EXPECT_GT(highestRow(g), 60 + 10);
    const auto x = coverage(text, "x");
    EXPECT_GE(lowestRow(x), 59) << "x sits on the baseline";
    const Glyph& glyph = text.glyphs['g'];
    EXPECT_NEAR(lowestRow(g), 60 - (glyph.size.y - glyph.bearing.y) * 0.8f, 1.0f);
}

TEST_F(TextRendererTest, DrawsInTheColourAndKeepsTheGlowSourceDark) {
    TextRenderer text(fontPath);
    const float shine[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
    glClearBufferfv(GL_COLOR, 1, shine);
    text.renderText(shader.get(), "I", 20.0f, 60.0f, 0.8f, glm::vec4(1.0f, 0.5f, 0.0f, 1.0f), colourLocation);
    // The middle of the I's stem is fully covered.
    const Glyph& glyph = text.glyphs['I'];
    const int x = static_cast<int>(20.0f + (glyph.bearing.x + glyph.size.x / 2.0f) * 0.8f);
    const int y = static_cast<int>(60.0f + glyph.bearing.y * 0.4f);
    EXPECT_EQ(target.pixel(0, x, y), (std::array<int, 4>{255, 128, 0, 255}));
    EXPECT_EQ(target.pixel(1, x, y)[0], 0);
    EXPECT_EQ(target.pixel(1, 200, 150)[0], 255);

    target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
    text.renderText(shader.get(), "I", 20.0f, 60.0f, 0.8f, glm::vec4(1.0f, 1.0f, 1.0f, 0.5f), colourLocation);
    EXPECT_NEAR(target.pixel(0, x, y)[0], 128, 1) << "half transparent";
}

TEST_F(TextRendererTest, EmptyTextDrawsNothingAndLeavesTheTextProgramOn) {
    TextRenderer text(fontPath);
    EXPECT_TRUE(blank(coverage(text, "")));
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<GLuint>(program), shader->programId);
    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
    GLint texture = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(texture, 0);
}

TEST_F(TextRendererTest, BytesWithoutAGlyphDrawNothingAndDoNotMoveThePen) {
    TextRenderer text(fontPath);
    EXPECT_TRUE(blank(coverage(text, "\x80\xc3\xa4\xff")));
    EXPECT_EQ(coverage(text, "l\x80\xffl"), coverage(text, "ll"));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextRendererTest, EveryCodeBelow128HasItsGlyph) {
    testing::internal::CaptureStdout();
    TextRenderer text(fontPath);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (unsigned code = 0; code < 128; ++code) {
        const Glyph& glyph = text.glyphs[code];
        EXPECT_TRUE(glIsTexture(glyph.textureId)) << code;
        EXPECT_GT(glyph.advance, 0u) << code;
    }
}

TEST_F(TextRendererTest, MissingFontIsReportedAndDrawsNothing) {
    testing::internal::CaptureStdout();
    TextRenderer text("./Fonts/no-such-font.ttf");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR::FREETYPE: Failed to load font\n");
    for (const Glyph& glyph : text.glyphs)
        EXPECT_EQ(glyph.textureId, 0u);
    EXPECT_TRUE(blank(coverage(text, "Punkte: 100")));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
}

} // namespace
