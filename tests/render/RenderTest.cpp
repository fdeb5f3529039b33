// The render folder in a real GL context with the game's shaders: models, textures, programs and text. The
// lit scene, its texture units and the score line's pixels are the frame goldens' (AssembledSceneTest).
#include "render/Mesh.h"
#include "render/Shader.h"
#include "render/TextRenderer.h"
#include "render/Texture.h"
#include "scene/GameObject.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

using tavo::scene::GameObject;

namespace {

using Colour = std::array<int, 3>;

class RenderTest : public GlTest {
protected:
    RenderTest() { std::filesystem::create_directories(folder); }
    // Text at (20, 60), scale 0.8, over a glow source cleared to white: the red of the picture, bottom row
    // first, its rightmost lit column and lowest lit row.
    struct Coverage {
        std::vector<int> red;
        int right = -1, lowest = height;
    };
    Coverage draw(const std::string& line, glm::vec4 colour = glm::vec4(1.0f), TextRenderer* font = nullptr) {
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
        glClearBufferfv(GL_COLOR, 1, white);
        glUseProgram(textShader.programId);
        const glm::mat4 projection = glm::ortho(0.0f, float(width), 0.0f, float(height));
        glUniformMatrix4fv(glGetUniformLocation(textShader.programId, "projection"), 1, GL_FALSE,
                           &projection[0][0]);
        const GLint colourAt = glGetUniformLocation(textShader.programId, "textColor");
        (font ? *font : text).renderText(&textShader, line, 20.0f, 60.0f, 0.8f, colour, colourAt);
        const auto rgba = target.pixels(0);
        Coverage c;
        for (int i = 0; i < width * height; ++i)
            if (c.red.push_back(rgba[static_cast<size_t>(i) * 4]); c.red.back() > 0)
                c.right = std::max(c.right, i % width), c.lowest = std::min(c.lowest, i / width);
        return c;
    }
    // Death tests run the test again in a child process: the folder must have the same name there.
    const std::string folder = "/tmp/windlap-rendertest-" +
                               std::string(testing::UnitTest::GetInstance()->current_test_info()->name());
    const SceneTarget target{width, height};
    Shader textShader{TEXT, "./Shader/text.vert", "./Shader/text.frag"};
    TextRenderer text{"./Fonts/arial.ttf"};
};

TEST_F(RenderTest, MeshTakesNameMaterialAndCoordinatesAndTextureArrivesBottomRowFirstUnskewed) {
    Shader color(COLOR, "./Shader/color.vert", "./Shader/color.frag");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    TestMesh square = squareMesh("can_low"), plain = squareMesh("plain"), bare = squareMesh("bare");
    square.diffuse = {0.9f, 0.7f, 0.1f}, square.specular = {0.25f, 0.5f, 0.75f}, square.shininess = 32.0f;
    plain.uvs.clear(), bare.material = false;
    writeCollada(folder + "/model.dae", {square, plain, squareMesh("can_LOW")});
    writeCollada(folder + "/bare.dae", {bare});
    GameObject colored(glm::mat4(1.0f), &color, folder + "/model.dae"),
        textured(glm::mat4(1.0f), &basic, folder + "/model.dae");
    ASSERT_TRUE(colored.meshes.size() == 3u && textured.meshes.size() == 3u);
    const tavo::scene::Mesh& mesh = *colored.meshes[0];
    EXPECT_EQ(std::tie(mesh.name, mesh.indexCount, mesh.shininess, mesh.diffuseColor, mesh.specularColor),
              std::make_tuple("can_low", 6u, 32.0f, square.diffuse, square.specular));
    // Texture coordinates only for the textured program, and only from a file that has them.
    EXPECT_TRUE(mesh.uvBuffer == 0 && textured.meshes[0]->uvBuffer != 0 && textured.meshes[1]->uvBuffer == 0);
    for (const auto& [name, index] : {std::pair{"can_low", 0}, {"can_LOW", 2}, {"can", -1}, {"can_low ", -1}})
        EXPECT_EQ(colored.findMesh(name), index) << name;
    const auto at = [](const Shader& s, const char* name) { return glGetUniformLocation(s.programId, name); };
    EXPECT_EQ((std::vector{color.shininessLoc, color.specularColorLoc, color.diffuseColorLoc, color.modelLoc,
                           color.glowLoc, basic.shininessLoc, basic.specularColorLoc, basic.modelLoc}),
              (std::vector{at(color, "shininess"), at(color, "specularColor"), at(color, "diffuseColor"),
                           at(color, "model"), at(color, "glow"), at(basic, "shininess"),
                           at(basic, "specularColor"), at(basic, "model")}));
    // Without a specular colour in the file the mesh takes none, not the diffuse one read before it.
    EXPECT_EQ(GameObject(glm::mat4(1.0f), &color, folder + "/bare.dae").meshes.at(0)->specularColor,
              glm::vec3(0.0f));
    // Every mesh program numbers its inputs alike, so the depth program draws the lit ones' vertex arrays
    // whatever a driver would choose: other numbers asked for before a new link must not hold.
    Shader depth(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
    using Locations = std::map<std::string, GLint>;
    for (const auto& [program, fixed] :
         {std::pair{&basic, Locations{{"position", 0}, {"normal", 1}, {"uv", 2}}},
          {&color, {{"position", 0}, {"normal", 1}}},
          {&depth, {{"position", 0}}}}) {
        for (const auto& [name, location] : fixed)
            glBindAttribLocation(program->programId, GLuint(location + 7), name.c_str());
        glLinkProgram(program->programId);
        for (const auto& [name, location] : fixed)
            EXPECT_EQ(glGetAttribLocation(program->programId, name.c_str()), location)
                << name << program->type;
    }

    // Textures: rows 0, h / 2 and h - 1 at both ends, bottom row first; the 1022-pixel rows are 3066 bytes:
    // any unpack alignment but 1 or 2 would skew them, and the one set before (8 here) is put back.
    const std::string rgb = "xc:red xc:lime xc:blue -append", g = "xc:'#808080'";
    const Colour red{255, 0, 0}, lime{0, 255, 0}, blue{0, 0, 255}, grey{128, 128, 128};
    const std::array<Colour, 3> greys{grey, grey, grey};
    const std::tuple<const char*, std::string, int, int, std::array<Colour, 3>> cases[] = {
        {"grey.png", "-size 16x8 " + g + " -type Grayscale", 16, 8, greys},
        {"wide.png", "-size 1022x1 " + rgb + " -define png:color-type=2", 1022, 3, {blue, lime, red}},
        {"palette.png", "-size 5x1 " + rgb + " -type Palette", 5, 3, {blue, lime, red}},
        {"deep.png", "-size 7x1 xc:red " + g + " xc:blue -append -depth 16", 7, 3, {blue, grey, red}},
        {"grey-alpha.png", "-size 3x2 " + g + " -type GrayscaleAlpha -define png:color-type=4", 3, 2, greys}};
    for (const auto& [file, arguments, w, h, rows] : cases) {
        ASSERT_EQ(std::system(("convert " + arguments + " " + folder + "/" + file).c_str()), 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
        Texture texture(folder + "/" + file);
        GLint tw = 0, th = 0;
        glBindTexture(GL_TEXTURE_2D, texture.textureId);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        ASSERT_EQ(glm::ivec3(states({GL_UNPACK_ALIGNMENT})[0], tw, th), glm::ivec3(8, w, h)) << file;
        std::vector<unsigned char> texels(static_cast<size_t>(w) * h * 4); // RGBA rows: no padding
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (int k = 0; k < 6; ++k) // row k / 2, left or right end
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(texels[(std::min(k / 2 * h / 2, h - 1) * w + k % 2 * (w - 1)) * 4 + c],
                            rows[k / 2][c], 60)
                    << file << " row " << k / 2 << ", end " << k % 2 << ", channel " << c;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

using RenderDeathTest = RenderTest;

// An unreadable file's message is the broken run folder's (tests/robust).
TEST_F(RenderDeathTest, ProgramErrorsPrintTheirCauseAndExit) {
    writeTextFile(folder + "/broken.frag", "#version 430 core\nvoid main() { this is not glsl; }\n");
    writeTextFile(folder + "/unmatched.frag", // reads a varying no vertex stage writes
                  "#version 430 core\nin vec4 nowhere;\nout vec4 c;\nvoid main() { c = nowhere; }\n");
    for (const auto& [fragment, message] :
         {std::pair{"broken.frag", "^Failed to compile Shader\n.*error.*\n"},
          {"unmatched.frag", "^Failed to link Program\n.*nowhere.*\n"}})
        EXPECT_EXIT(Shader(COLOR, "./Shader/color.vert", folder + "/" + fragment), testing::ExitedWithCode(1),
                    message)
            << fragment;
}

TEST_F(RenderTest, TextMovesByWholePixelsHangsFromTheBaselineDrawsInItsColourUnbindsAndTakesOneBitGlyphs) {
    const Glyph &l = text.glyphs['l'], &g = text.glyphs['g'], &stem = text.glyphs['I'];
    EXPECT_NEAR(draw("lll").right - draw("l").right, 2.0f * static_cast<float>(l.advance >> 6) * 0.8f, 1.0f);
    EXPECT_NEAR(draw("g").lowest, 60 - (g.size.y - g.bearing.y) * 0.8f, 1.0f) << "g hangs below the baseline";
    EXPECT_EQ(draw("l\x80\xc3\xa4\xffl").red, draw("ll").red) << "bytes without a glyph: nothing, pen kept";
    // The middle of the I's stem is fully covered.
    const int x = static_cast<int>(20.0f + (stem.bearing.x + stem.size.x / 2.0f) * 0.8f);
    const int y = static_cast<int>(60.0f + stem.bearing.y * 0.4f);
    EXPECT_NEAR(draw("I", glm::vec4(1.0f, 1.0f, 1.0f, 0.5f)).red[y * width + x], 128, 1) << "half alpha";
    draw("I", glm::vec4(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_EQ(target.pixel(0, x, y), (std::array<int, 4>{255, 128, 0, 255}));
    EXPECT_EQ(target.pixel(1, x, y)[0], 0) << "the glow source stays dark";
    EXPECT_EQ(states({GL_CURRENT_PROGRAM, GL_VERTEX_ARRAY_BINDING, GL_TEXTURE_BINDING_2D}),
              (std::vector<GLint>{GLint(textShader.programId), 0, 0}));

    // An X11 bitmap font: one bit a pixel, each row of its 12 pixels padded to four bytes. Every glyph
    // arrives as full or no coverage, bit for bit, and the text draws.
    const std::string path = "/usr/share/fonts/X11/misc/12x24.pcf.gz";
    TextRenderer bitmapFont(path);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_TRUE(FT_Init_FreeType(&library) == 0 && FT_New_Face(library, path.c_str(), 0, &face) == 0) << path;
    for (const char c : {'A', 'g', 'W', '~'}) {
        ASSERT_EQ(FT_Load_Char(face, FT_ULong(c), FT_LOAD_RENDER), 0);
        const FT_Bitmap& b = face->glyph->bitmap;
        ASSERT_TRUE(b.pixel_mode == FT_PIXEL_MODE_MONO && b.pitch > int(b.width + 7) / 8) << c;
        std::vector<unsigned char> bits, texels(size_t(b.width) * b.rows);
        for (unsigned int row = 0; row < b.rows; ++row)
            for (unsigned int x = 0; x < b.width; ++x)
                bits.push_back((b.buffer[row * unsigned(b.pitch) + x / 8] >> (7 - x % 8) & 1) * 255);
        glBindTexture(GL_TEXTURE_2D, bitmapFont.glyphs[size_t(c)].textureId);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(texels, bits) << c;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    EXPECT_GT(draw("Wg", glm::vec4(1.0f), &bitmapFont).right, 20 + 12);
}

} // namespace
