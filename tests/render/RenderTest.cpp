// The render folder in a real GL context with the game's shaders: meshes and models, textures, programs and
// text. What the lit scene looks like is the frame goldens' (tests/app/FrameGoldenTest.cpp).
#include "render/Mesh.h"
#include "render/Shader.h"
#include "render/TextRenderer.h"
#include "render/Texture.h"
#include "scene/GameObject.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstdlib>
#include <filesystem>
#include <tuple>

using tavo::scene::GameObject;

namespace {

using Colour = std::array<int, 3>;
const GLenum noError = GL_NO_ERROR;

class RenderTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // Death tests run the test again in a child process: the folder must have the same name there.
        folder = "/tmp/windlap-rendertest-" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    // Text at (20, 60), scale 0.8, over a glow source cleared to white; the red of the picture, bottom row
    // first, and the box of its lit pixels.
    struct Coverage {
        std::vector<int> red;
        int left = width, right = -1, lowest = height, highest = -1;
    };
    Coverage draw(const std::string& line, glm::vec4 colour = glm::vec4(1.0f)) {
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
        glClearBufferfv(GL_COLOR, 1, white);
        glUseProgram(textShader.programId);
        const glm::mat4 projection = glm::ortho(0.0f, float(width), 0.0f, float(height));
        glUniformMatrix4fv(glGetUniformLocation(textShader.programId, "projection"), 1, GL_FALSE,
                           &projection[0][0]);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        text.renderText(&textShader, line, 20.0f, 60.0f, 0.8f, colour,
                        glGetUniformLocation(textShader.programId, "textColor"));
        glDisable(GL_BLEND);
        const auto rgba = target.pixels(0);
        Coverage c;
        for (int i = 0; i < width * height; ++i)
            if (c.red.push_back(rgba[static_cast<size_t>(i) * 4]); c.red.back() > 0) {
                c.left = std::min(c.left, i % width), c.right = std::max(c.right, i % width);
                c.lowest = std::min(c.lowest, i / width), c.highest = i / width;
            }
        return c;
    }
    std::string folder;
    const SceneTarget target{width, height};
    Shader textShader{TEXT, "./Shader/text.vert", "./Shader/text.frag"};
    TextRenderer text{"./Fonts/arial.ttf"};
};

TEST_F(RenderTest, MeshTakesNameMaterialAndCoordinatesForTheTexturedProgramOnly) {
    Shader color(COLOR, "./Shader/color.vert", "./Shader/color.frag");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    TestMesh square = squareMesh("can_low"), plain = squareMesh("plain"), bare = squareMesh("bare");
    square.diffuse = glm::vec3(0.9f, 0.7f, 0.1f);
    square.specular = glm::vec3(0.25f, 0.5f, 0.75f);
    square.shininess = 32.0f;
    plain.uvs.clear();
    bare.material = false;
    writeCollada(folder + "/model.dae", {square, plain, squareMesh("can_LOW")});
    writeCollada(folder + "/bare.dae", {bare});
    GameObject colored(glm::mat4(1.0f), &color, folder + "/model.dae"),
        textured(glm::mat4(1.0f), &basic, folder + "/model.dae");
    ASSERT_TRUE(colored.meshes.size() == 3u && textured.meshes.size() == 3u);
    const tavo::scene::Mesh& mesh = *colored.meshes[0];
    EXPECT_EQ(std::tie(mesh.name, mesh.indexCount, mesh.shininess), std::make_tuple("can_low", 6u, 32.0f));
    EXPECT_TRUE(mesh.diffuseColor == square.diffuse && mesh.specularColor == square.specular);
    // Texture coordinates only for the textured program, and only from a file that has them.
    EXPECT_TRUE(mesh.uvBuffer == 0 && textured.meshes[0]->uvBuffer != 0 && textured.meshes[1]->uvBuffer == 0);
    for (const auto& [name, index] : {std::pair{"can_low", 0}, {"can_LOW", 2}, {"can", -1}, {"can_low ", -1}})
        EXPECT_EQ(colored.findMesh(name), index) << name;
    // Without a specular colour in the file the mesh takes none, not the diffuse one read before it.
    EXPECT_EQ(GameObject(glm::mat4(1.0f), &color, folder + "/bare.dae").meshes.at(0)->specularColor,
              glm::vec3(0.0f));

    writeTextFile(folder + "/broken.dae", "<COLLADA><library_geometries><geometry id=\"g\"><mesh>");
    writeCollada(folder + "/empty.dae", {}); // no geometry: Assimp makes up a skeleton mesh
    for (const std::string& path :
         {folder + "/missing.dae", folder + "/broken.dae", folder + "/empty.dae", folder}) {
        GameObject object(glm::mat4(1.0f), &color, path);
        EXPECT_TRUE(object.meshes.empty()) << path;
        object.drawWithShader();
        object.drawWithMaterial(0, 1, 2);
    }
    EXPECT_EQ(glGetError(), noError);
}

// Rows 0, h / 2 and h - 1 (k = 0, 1, 2) at both ends, bottom row first; the 1022-pixel rows are 3066 bytes:
// any unpack alignment but 1 or 2 would skew them, and the one set before (8 here) is put back.
TEST_F(RenderTest, TextureArrivesBottomRowFirstUnskewedInEveryFormatWithAMipmapChain) {
    const std::string halves = "-size 16x4 xc:'#0000ff' xc:'#ff0000' -append -type TrueColor"; // blue on top
    const std::string wide = "-size 1022x1 xc:red xc:lime xc:blue -append -define png:color-type=2"; // RGB
    const Colour red{255, 0, 0}, blue{0, 0, 255}, grey{128, 128, 128};
    const std::tuple<const char*, std::string, int, int, std::array<Colour, 3>> cases[] = {
        {"p.png", halves, 16, 8, {red, blue, blue}},
        {"p.jpg", halves, 16, 8, {red, blue, blue}},
        {"p.tif", halves, 16, 8, {red, blue, blue}},
        {"grey.png", "-size 16x8 xc:'#808080' -type Grayscale", 16, 8, {grey, grey, grey}},
        {"wide.png", wide, 1022, 3, {blue, Colour{0, 255, 0}, red}}};
    for (const auto& [file, arguments, w, h, rows] : cases) {
        ASSERT_EQ(std::system(("convert " + arguments + " " + folder + "/" + file).c_str()), 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
        Texture texture(folder + "/" + file);
        GLint alignment = 0, levels = 0, minFilter = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 8) << file;
        GLint tw = 0, th = 0;
        glBindTexture(GL_TEXTURE_2D, texture.textureId);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        ASSERT_TRUE(tw == w && th == h) << file << ": " << tw << " x " << th;
        std::vector<unsigned char> texels(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (int k = 0; k < 3; ++k)
            for (const int column : {0, w - 1})
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(texels[(std::min(k * h / 2, h - 1) * w + column) * 4 + c], rows[k][c], 60)
                        << file << " row " << k << ", column " << column << ", channel " << c;
        // The smallest level is 1 x 1 (levels 0 to 4 of 16 x 8).
        glGetTexLevelParameteriv(GL_TEXTURE_2D, w == 16 ? 4 : 9, GL_TEXTURE_WIDTH, &levels);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_TRUE(levels == 1 && minFilter == GL_LINEAR_MIPMAP_LINEAR) << file;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    EXPECT_EQ(glGetError(), noError);
}

TEST_F(RenderTest, ProgramsCacheTheLocationsOfTheirTypeOnly) {
    const char* names[] = {"shininess", "specularColor", "model", "diffuseColor", "glow"};
    // Each type looks up the first `looked` names.
    for (const auto& [type, looked] : {std::pair{COLOR, 5}, {BASIC, 3}, {SCREEN_SPACE, 0}}) {
        const Shader shader(type, "./Shader/color.vert", "./Shader/color.frag");
        const GLint cached[] = {shader.shininessLoc, shader.specularColorLoc, shader.modelLoc,
                                shader.diffuseColorLoc, shader.glowLoc};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(cached[i], i < looked ? glGetUniformLocation(shader.programId, names[i]) : -1)
                << type << " " << names[i];
    }
}

using RenderDeathTest = RenderTest;

TEST_F(RenderDeathTest, ProgramErrorsPrintTheirCauseAndExit) {
    writeTextFile(folder + "/broken.frag", "#version 430 core\nvoid main() { this is not glsl; }\n");
    writeTextFile(folder + "/broken.vert", "#version 430 core\nvoid main() { nonsense }\n");
    writeTextFile(folder + "/empty.frag", "");
    writeTextFile(folder + "/unmatched.frag", // reads a varying no vertex stage writes
                  "#version 430 core\nin vec4 nowhere;\nout vec4 c;\nvoid main() { c = nowhere; }\n");
    std::filesystem::copy_file("./Shader/color.vert", folder + "/good.vert"); // the game's own vertex stage
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"missing.vert", "also-missing.frag",
         "^Failed to open Shader file with path: " + folder + "/missing.vert\n$"},
        {"good.vert", "broken.frag", "^Failed to compile Shader\n.*error.*\n"},
        {"broken.vert", "missing.frag", "^Failed to compile Shader\n"}, // stops before the fragment stage
        {"good.vert", "empty.frag", "^Failed to (compile Shader|link Program)\n"},
        {"good.vert", "unmatched.frag", "^Failed to link Program\n.*nowhere.*\n"}};
    for (const auto& [vertex, fragment, message] : cases)
        EXPECT_EXIT(Shader(COLOR, folder + "/" + vertex, folder + "/" + fragment), testing::ExitedWithCode(1),
                    message)
            << vertex << " " << fragment;
}

// The jet's picture on unit 0 (with the canopy's transparency), its glow mask on unit 1, and a shadow map on
// unit 2 compared as the game's is: every caster nearer than any receiver, lit beyond the map's edge.
TEST_F(RenderTest, ShadowMapOnUnitTwoDarkensOnlyInsideTheMapAndTheJetTakesUnitsZeroAndOne) {
    TestMesh square = squareMesh("square");
    square.diffuse = glm::vec3(0.8f, 0.4f, 0.2f);
    square.specular = glm::vec3(0.0f);
    writeCollada(folder + "/square.dae", {square});
    Shader color(COLOR, "./Shader/color.vert", "./Shader/color.frag");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    const SceneTarget small(32, 32); // made first: making it unbinds the active unit's texture
    std::array<GLuint, 3> textures{};
    glGenTextures(3, textures.data());
    const unsigned char picture[] = {255, 0, 0, 128}, glowMask[] = {0, 255, 0, 255};
    const std::vector<float> depths(16 * 16, 0.0f);
    const float border[] = {1, 1, 1, 1};
    for (int unit = 2; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, textures[unit]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        if (unit < 2)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         unit ? glowMask : picture);
    }
    glActiveTexture(GL_TEXTURE2);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, 16, 16, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                 depths.data());
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LESS);
    glActiveTexture(GL_TEXTURE0);
    // The square 3 units ahead, lit head on, every vertex on the same shadow-map coordinates: the centre of
    // the picture and of the glow source.
    const auto render = [&](Shader& program, float shadowX) {
        small.bindAndClear();
        GameObject object(glm::mat4(1.0f), &program, folder + "/square.dae");
        glUseProgram(program.programId);
        glm::mat4 shadow(0.0f);
        shadow[3] = glm::vec4(shadowX, 0.5f, 0.5f, 1.0f);
        const std::pair<const char*, glm::mat4> matrices[] = {
            {"model", glm::mat4(1.0f)},
            {"view", glm::lookAt(glm::vec3(0, 0, 3), glm::vec3(0), glm::vec3(0, 1, 0))},
            {"projection", glm::perspective(0.8f, 1.0f, 0.1f, 100.0f)},
            {"M_Vl_Pl_L_Matrix", shadow}};
        for (const auto& [name, m] : matrices)
            glUniformMatrix4fv(glGetUniformLocation(program.programId, name), 1, GL_FALSE, &m[0][0]);
        glUniform3f(glGetUniformLocation(program.programId, "sunDirection"), 0.0f, 0.0f, -1.0f);
        glUniform3f(glGetUniformLocation(program.programId, "sunColor"), 1.0f, 1.0f, 1.0f);
        object.drawWithShader();
        return std::array{small.pixel(0, 16, 16), small.pixel(1, 16, 16)};
    };
    EXPECT_LT(render(color, 0.5f)[0][0], 51);
    EXPECT_GT(render(color, 1.5f)[0][0], 178);
    const auto jet = render(basic, 1.5f);
    EXPECT_TRUE(jet[0][0] > 204 && jet[0][1] < 13 && std::abs(jet[0][3] - 128) <= 1)
        << jet[0][0] << " " << jet[0][1];
    EXPECT_TRUE(jet[1][0] < 3 && jet[1][1] > 253) << jet[1][0] << " " << jet[1][1];
    glDeleteTextures(3, textures.data()); // also unbinds them
}

TEST_F(RenderTest, PenMovesByTheWholePixelAdvanceTimesTheScaleAndGlyphsHangFromTheBaseline) {
    for (unsigned code = 0; code < 128; ++code)
        EXPECT_TRUE(glIsTexture(text.glyphs[code].textureId) && text.glyphs[code].advance > 0) << code;
    const Glyph &l = text.glyphs['l'], &g = text.glyphs['g'];
    const float step = static_cast<float>(l.advance >> 6) * 0.8f;
    const float blank = static_cast<float>(text.glyphs[' '].advance >> 6) * 0.8f;
    const Coverage one = draw("l");
    EXPECT_NEAR(one.left, 20.0f + l.bearing.x * 0.8f, 1.0f) << "the pen plus the bearing";
    EXPECT_NEAR(draw("lll").right - one.right, 2.0f * step, 1.0f);
    EXPECT_NEAR(draw("l l").right - one.right, step + blank, 1.0f);
    const Coverage descender = draw("g");
    EXPECT_NEAR(descender.lowest, 60 - (g.size.y - g.bearing.y) * 0.8f, 1.0f) << "g hangs below the baseline";
    EXPECT_GT(descender.highest, 60 + 10);
    EXPECT_GE(draw("x").lowest, 59) << "x sits on the baseline";
    // Bytes without a glyph draw nothing and do not move the pen.
    EXPECT_EQ(draw("\x80\xc3\xa4\xff").highest, -1);
    EXPECT_EQ(draw("l\x80\xffl").red, draw("ll").red);
    EXPECT_EQ(glGetError(), noError);
}

TEST_F(RenderTest, TextDrawsInTheColourKeepsTheGlowSourceDarkAndLeavesOnlyItsProgramBound) {
    const Glyph& glyph = text.glyphs['I']; // the middle of its stem is fully covered
    const int x = static_cast<int>(20.0f + (glyph.bearing.x + glyph.size.x / 2.0f) * 0.8f);
    const int y = static_cast<int>(60.0f + glyph.bearing.y * 0.4f);
    EXPECT_NEAR(draw("I", glm::vec4(1.0f, 1.0f, 1.0f, 0.5f)).red[y * width + x], 128, 1) << "half alpha";
    draw("I", glm::vec4(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_EQ(target.pixel(0, x, y), (std::array<int, 4>{255, 128, 0, 255}));
    EXPECT_EQ(target.pixel(1, x, y)[0], 0);
    EXPECT_EQ(target.pixel(1, 200, 150)[0], 255);
    GLint program = 0, vertexArray = -1, texture = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(std::make_tuple(GLuint(program), vertexArray, texture),
              std::make_tuple(textShader.programId, 0, 0));
    EXPECT_EQ(draw("").highest, -1);
}

} // namespace
