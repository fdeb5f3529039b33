// The render folder in a real GL context: meshes and models, textures, programs (errors, cached locations,
// the shadow map's and the jet's texture units) and text. Lighting itself is seen by the frame goldens.
#include "render/Mesh.h"
#include "render/Shader.h"
#include "render/TextRenderer.h"
#include "render/Texture.h"
#include "scene/GameObject.h"
#include "support/GlContext.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gmock/gmock.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>

using tavo::scene::GameObject;
using tavo::scene::Mesh;

namespace {

// Passes normals and texture coordinates on, so a program has every attribute and material uniform.
const char* vertexSource = R"(#version 430 core
in vec3 position; in vec3 normal; in vec2 uv;
uniform mat4 model; uniform vec3 specularColor;
out vec3 shade;
void main() { shade = normal + vec3(uv, 0.0) + specularColor; gl_Position = model * vec4(position, 1.0); }
)";
const char* fragmentSource = R"(#version 430 core
in vec3 shade;
uniform float shininess; uniform vec3 diffuseColor; uniform float glow;
out vec4 picture;
void main() { picture = vec4(shade * diffuseColor * glow, shininess); }
)";

class RenderTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // Death tests run the test again in a child process: the folder must have the same name there.
        folder = "/tmp/windlap-rendertest-" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        writeTextFile(folder + "/good.vert", vertexSource);
        writeTextFile(folder + "/good.frag", fragmentSource);
    }
    std::unique_ptr<Shader> program(ShaderType type) {
        return std::make_unique<Shader>(type, folder + "/good.vert", folder + "/good.frag");
    }
    // format forces the file's pixel format (ImageMagick writes few colours as a palette otherwise).
    std::string convert(const std::string& name, const std::string& arguments,
                        const std::string& format = "") {
        const std::string path = folder + "/" + name;
        EXPECT_EQ(std::system(("convert " + arguments + " '" + format + path + "'").c_str()), 0);
        return path;
    }
    // Level 0 of a texture expected to be w x h; room for the larger of the two, so reading cannot overrun.
    static std::vector<unsigned char> texels(GLuint texture, int w, int h) {
        GLint tw = 0, th = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        EXPECT_TRUE(tw == w && th == h) << tw << " x " << th;
        std::vector<unsigned char> pixels(static_cast<size_t>(std::max(tw * th, w * h)) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    std::string folder;
};

TEST_F(RenderTest, MeshCopiesNameIndicesMaterialAndCoordinatesOnlyForTheTexturedProgram) {
    const auto color = program(COLOR), basic = program(BASIC);
    TestMesh square = squareMesh("can_low"), plain = squareMesh("plain"), bare = squareMesh("bare");
    square.diffuse = glm::vec3(0.9f, 0.7f, 0.1f);
    square.specular = glm::vec3(0.25f, 0.5f, 0.75f);
    square.shininess = 32.0f;
    plain.uvs.clear();
    bare.material = false;
    writeCollada(folder + "/model.dae", {square, plain, squareMesh("can_LOW")});
    writeCollada(folder + "/bare.dae", {bare}); // a file without materials
    Assimp::Importer importer;
    const aiScene* scene =
        importer.ReadFile(folder + "/model.dae", tavo::scene::modelimport::postProcessFlags);
    ASSERT_TRUE(scene && scene->mNumMeshes == 3u);
    Mesh withColor(scene, 0, glm::mat4(1.0f), color.get()), withBasic(scene, 0, glm::mat4(1.0f), basic.get());
    Mesh plainBasic(scene, 1, glm::mat4(1.0f), basic.get()); // no coordinates in the file: none made
    EXPECT_EQ(withColor.name, "can_low");
    EXPECT_EQ(withColor.indexCount, 6u);
    EXPECT_EQ(withColor.diffuseColor, square.diffuse);
    EXPECT_EQ(withColor.specularColor, square.specular);
    EXPECT_FLOAT_EQ(withColor.shininess, 32.0f);
    GLuint query = 0, primitives = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    withColor.drawWithShader();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    EXPECT_EQ(primitives, 2u);
    EXPECT_TRUE(withColor.uvBuffer == 0 && withBasic.uvBuffer != 0 && plainBasic.uvBuffer == 0);
    const auto uv = static_cast<GLuint>(glGetAttribLocation(basic->programId, "uv"));
    for (const auto& [mesh, enabled] : {std::pair{&withColor, 0}, std::pair{&withBasic, 1}}) {
        GLint value = -1;
        glBindVertexArray(mesh->vao);
        glGetVertexAttribiv(uv, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
        EXPECT_EQ(value, enabled);
    }
    glBindVertexArray(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    GameObject object(glm::mat4(1.0f), color.get(), folder + "/model.dae");
    ASSERT_EQ(object.meshes.size(), 3u);
    const std::pair<const char*, int> names[] = {
        {"can_low", 0}, {"can_LOW", 2}, {"can", -1}, {"can_low ", -1}};
    for (const auto& [name, index] : names)
        EXPECT_EQ(object.findMesh(name), index) << name;
    // Z-up files turn Y-up: model z becomes world y, model y world -z.
    EXPECT_NEAR(object.modelMatrix[2][1], 1.0f, 1e-6f);
    EXPECT_NEAR(object.modelMatrix[1][2], -1.0f, 1e-6f);
    EXPECT_EQ(object.modelMatrix[3], glm::vec4(0, 0, 0, 1));
    EXPECT_EQ(GameObject(glm::mat4(1.0f), color.get(), folder + "/bare.dae").meshes.at(0)->specularColor,
              glm::vec3(0.0f));
}

TEST_F(RenderTest, MissingOrBrokenModelGivesAnObjectThatDrawsNothing) {
    const auto color = program(COLOR);
    writeTextFile(folder + "/broken.dae", "<COLLADA><library_geometries><geometry id=\"g\"><mesh>");
    writeCollada(folder + "/empty.dae", {}); // no geometry: Assimp makes up a skeleton mesh
    for (const std::string& path :
         {folder + "/missing.dae", folder + "/broken.dae", folder + "/empty.dae", folder}) {
        GameObject object(glm::mat4(1.0f), color.get(), path);
        EXPECT_TRUE(object.meshes.empty()) << path;
        object.draw();
        object.drawWithShader();
        object.drawWithMaterial(0, 1, 2);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTest, TextureArrivesBottomRowFirstWithACompleteMipmapChain) {
    // 16 x 8: the top half one colour, the bottom half another; grey must still show.
    const std::string halves = "-size 16x4 xc:'#0000ff' xc:'#ff0000' -append -type TrueColor";
    const struct {
        const char* file;
        std::string arguments;
        std::array<int, 3> bottom, top;
    } cases[] = {{"p.png", halves, {255, 0, 0}, {0, 0, 255}},
                 {"p.jpg", halves, {255, 0, 0}, {0, 0, 255}},
                 {"p.tif", halves, {255, 0, 0}, {0, 0, 255}},
                 {"grey.png", "-size 16x8 xc:'#808080' -type Grayscale", {128, 128, 128}, {128, 128, 128}}};
    for (const auto& c : cases) {
        Texture texture(convert(c.file, c.arguments));
        ASSERT_NE(texture.textureId, 0u) << c.file;
        const auto pixels = texels(texture.textureId, 16, 8);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(pixels[k], c.bottom[k], 60) << c.file << " bottom row, channel " << k;
            EXPECT_NEAR(pixels[7 * 16 * 4 + k], c.top[k], 60) << c.file << " top row, channel " << k;
        }
        // 16 x 8 has levels 0 to 4; the last one is 1 x 1.
        GLint w = 0, h = 0, minFilter = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_HEIGHT, &h);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_TRUE(w == 1 && h == 1 && minFilter == GL_LINEAR_MIPMAP_LINEAR) << c.file;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTest, TextureRowsNotAMultipleOfFourBytesUploadStraightWhateverAlignmentWasSet) {
    // 1022 RGB pixels are 3066 bytes a row: any alignment but 1 or 2 would pad the rows and skew them.
    const std::string path = convert("wide.png",
                                     "-size 1022x1 xc:'#ff0000' xc:'#00ff00' xc:'#0000ff' -append "
                                     "-type TrueColor",
                                     "PNG24:");
    const std::array<std::array<int, 3>, 3> rows{{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}}; // bottom row first
    for (const GLint before : {1, 4, 8}) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, before);
        Texture texture(path);
        const auto pixels = texels(texture.textureId, 1022, 3);
        for (int row = 0; row < 3; ++row)
            for (const int column : {0, 1021}) {
                const unsigned char* p = &pixels[(row * 1022 + column) * 4];
                EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), rows[row])
                    << "row " << row << ", column " << column << ", alignment " << before << " before";
            }
        GLint after = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &after);
        EXPECT_EQ(after, before) << "the alignment in force before is put back";
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(RenderTest, TextureFromAMissingOrBrokenFilePrintsOneNumberAndGoesOn) {
    writeTextFile(folder + "/broken.png", "this is not a picture");
    const std::pair<const char*, const char*> cases[] = {{"missing.png", "1290\n"},
                                                         {"broken.png", "[0-9]+\n"}};
    for (const auto& [name, printed] : cases) {
        testing::internal::CaptureStdout();
        Texture texture(folder + "/" + name);
        EXPECT_THAT(testing::internal::GetCapturedStdout(), testing::MatchesRegex(printed)) << name;
        EXPECT_EQ(texture.textureId, 0u) << name;
    }
}

TEST_F(RenderTest, ProgramsCacheTheLocationsOfTheirTypeOnly) {
    // How many of the names each type looks up, in this order.
    const char* names[] = {"shininess", "specularColor", "model", "diffuseColor", "glow"};
    const std::pair<ShaderType, int> cases[] = {{COLOR, 5}, {BASIC, 3}, {SCREEN_SPACE, 0}};
    for (const auto& [type, looked] : cases) {
        const auto shader = program(type);
        const GLint cached[] = {shader->shininessLoc, shader->specularColorLoc, shader->modelLoc,
                                shader->diffuseColorLoc, shader->glowLoc};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(cached[i], i < looked ? glGetUniformLocation(shader->programId, names[i]) : -1)
                << type << " " << names[i];
    }
}

using RenderDeathTest = RenderTest;

TEST_F(RenderDeathTest, ProgramErrorsPrintTheirCauseAndExit) {
    writeTextFile(folder + "/broken.frag", "#version 430 core\nvoid main() { this is not glsl; }\n");
    writeTextFile(folder + "/broken.vert", "#version 430 core\nvoid main() { nonsense }\n");
    writeTextFile(folder + "/empty.frag", "");
    // The fragment stage reads a varying no vertex stage writes.
    writeTextFile(folder + "/unmatched.frag",
                  "#version 430 core\nin vec4 nowhere;\nout vec4 c;\nvoid main() { c = nowhere; }\n");
    const struct {
        std::string vertex, fragment, message;
    } cases[] = {{"missing.vert", "also-missing.frag",
                  "^Failed to open Shader file with path: " + folder + "/missing.vert\n$"},
                 {"good.vert", "broken.frag", "^Failed to compile Shader\n.*error.*\n"},
                 {"broken.vert", "missing.frag", "^Failed to compile Shader\n"}, // stops before the fragment
                 {"good.vert", "empty.frag", "^Failed to (compile Shader|link Program)\n"},
                 {"good.vert", "unmatched.frag", "^Failed to link Program\n.*nowhere.*\n"}};
    for (const auto& c : cases) {
        EXPECT_EXIT(Shader(COLOR, folder + "/" + c.vertex, folder + "/" + c.fragment),
                    testing::ExitedWithCode(1), c.message)
            << c.vertex << " " << c.fragment;
    }
}

TEST_F(RenderTest, ShadowMapOnUnitTwoDarkensOnlyInsideTheMapAndTheJetTakesUnitsZeroAndOne) {
    TestMesh square = squareMesh("square");
    square.diffuse = glm::vec3(0.8f, 0.4f, 0.2f);
    square.specular = glm::vec3(0.0f);
    writeCollada(folder + "/square.dae", {square});
    Shader color(COLOR, "./Shader/color.vert", "./Shader/color.frag");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    const SceneTarget target(32, 32); // made first: making it unbinds the active unit's texture
    // The square faces the camera 3 units away, lit head on; the shadow matrix sends every vertex to the same
    // shadow-map coordinates. Returns the centre of the picture and of the glow source.
    const auto render = [&](Shader& program, glm::vec3 shadowCoordinates) {
        target.bindAndClear();
        GameObject object(glm::mat4(1.0f), &program, folder + "/square.dae");
        glUseProgram(program.programId);
        glm::mat4 shadow(0.0f);
        shadow[3] = glm::vec4(shadowCoordinates, 1.0f);
        const std::pair<const char*, glm::mat4> matrices[] = {
            {"model", glm::mat4(1.0f)},
            {"view", glm::lookAt(glm::vec3(0, 0, 3), glm::vec3(0), glm::vec3(0, 1, 0))},
            {"projection", glm::perspective(0.8f, 1.0f, 0.1f, 100.0f)},
            {"M_Vl_Pl_L_Matrix", shadow}};
        for (const auto& [name, m] : matrices)
            glUniformMatrix4fv(glGetUniformLocation(program.programId, name), 1, GL_FALSE, glm::value_ptr(m));
        glUniform3f(glGetUniformLocation(program.programId, "sunDirection"), 0.0f, 0.0f, -1.0f);
        glUniform3f(glGetUniformLocation(program.programId, "sunColor"), 1.0f, 1.0f, 1.0f);
        object.drawWithShader();
        return std::array{target.pixel(0, 16, 16), target.pixel(1, 16, 16)};
    };
    std::array<GLuint, 3> textures{};
    glGenTextures(3, textures.data());
    const auto bind = [&](int unit, int size, GLint format, GLenum type, const void* data) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, textures[unit]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, format, size, size, 0,
                     format == GL_RGBA8 ? GL_RGBA : GL_DEPTH_COMPONENT, type, data);
    };

    // A depth map compared as the shadow map is, every caster nearer than any receiver, lit beyond its edge.
    const std::vector<float> depths(16 * 16, 0.0f);
    const float border[] = {1, 1, 1, 1};
    bind(2, 16, GL_DEPTH_COMPONENT24, GL_FLOAT, depths.data());
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LESS);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_LT(render(color, glm::vec3(0.5f, 0.5f, 0.5f))[0][0], 51);
    EXPECT_GT(render(color, glm::vec3(1.5f, 0.5f, 0.5f))[0][0], 178);

    // The jet's picture on unit 0 (with the canopy's transparency), its glow mask on unit 1.
    const unsigned char picture[] = {255, 0, 0, 128}, glowMask[] = {0, 255, 0, 255};
    bind(1, 1, GL_RGBA8, GL_UNSIGNED_BYTE, glowMask);
    bind(0, 1, GL_RGBA8, GL_UNSIGNED_BYTE, picture);
    const auto out = render(basic, glm::vec3(1.5f, 0.5f, 0.5f));
    EXPECT_TRUE(out[0][0] > 204 && out[0][1] < 13) << out[0][0] << " " << out[0][1];
    EXPECT_NEAR(out[0][3], 128, 1);
    EXPECT_TRUE(out[1][0] < 3 && out[1][1] > 253) << out[1][0] << " " << out[1][1];
    glDeleteTextures(3, textures.data()); // also unbinds them
}

// Text in the game's font at (20, 60), scale 0.8, into a 320 x 180 target.
class TextTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glUseProgram(shader->programId);
        const glm::mat4 projection = glm::ortho(0.0f, float(width), 0.0f, float(height));
        glUniformMatrix4fv(glGetUniformLocation(shader->programId, "projection"), 1, GL_FALSE,
                           glm::value_ptr(projection));
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void TearDown() override {
        glDisable(GL_BLEND);
        GlTest::TearDown();
    }
    // The coverage (red, bottom row first), the left edges of its runs of lit columns, its lit rows' range.
    struct Coverage {
        std::vector<int> red, runStarts;
        int lowest = height, highest = -1;
    };
    Coverage draw(TextRenderer& text, const std::string& line, glm::vec4 colour = glm::vec4(1.0f)) {
        target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
        text.renderText(shader.get(), line, 20.0f, 60.0f, 0.8f, colour, colourLocation);
        const auto rgba = target.pixels(0);
        Coverage c;
        std::vector<bool> lit(width + 1, false); // column x at x + 1
        for (int i = 0; i < width * height; ++i) {
            c.red.push_back(rgba[static_cast<size_t>(i) * 4]);
            if (c.red.back() > 0) {
                lit[i % width + 1] = true;
                c.lowest = std::min(c.lowest, i / width);
                c.highest = i / width;
            }
        }
        for (int x = 0; x < width; ++x)
            if (lit[x + 1] && !lit[x])
                c.runStarts.push_back(x);
        return c;
    }
    const std::unique_ptr<Shader> shader =
        std::make_unique<Shader>(TEXT, "./Shader/text.vert", "./Shader/text.frag");
    const GLint colourLocation = glGetUniformLocation(shader->programId, "textColor");
    const SceneTarget target{width, height};
};

TEST_F(TextTest, PenMovesByTheWholePixelAdvanceTimesTheScaleAndGlyphsHangFromTheBaseline) {
    testing::internal::CaptureStdout();
    TextRenderer text("./Fonts/arial.ttf");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (unsigned code = 0; code < 128; ++code)
        EXPECT_TRUE(glIsTexture(text.glyphs[code].textureId) && text.glyphs[code].advance > 0) << code;
    const Glyph &l = text.glyphs['l'], &g = text.glyphs['g'];
    const float step = static_cast<float>(l.advance >> 6) * 0.8f;
    const float blank = static_cast<float>(text.glyphs[' '].advance >> 6) * 0.8f;
    const auto lll = draw(text, "lll").runStarts, spaced = draw(text, "l l").runStarts;
    ASSERT_EQ(lll.size(), 3u);
    ASSERT_EQ(spaced.size(), 2u);
    EXPECT_NEAR(lll[0], 20.0f + l.bearing.x * 0.8f, 1.0f) << "the pen plus the bearing";
    EXPECT_NEAR(lll[1] - lll[0], step, 1.0f);
    EXPECT_NEAR(lll[2] - lll[0], 2.0f * step, 1.0f);
    EXPECT_NEAR(spaced[1] - spaced[0], step + blank, 1.0f);

    const auto descender = draw(text, "g"), x = draw(text, "x");
    EXPECT_LE(descender.lowest, 60 - 6) << "g reaches below the baseline";
    EXPECT_NEAR(descender.lowest, 60 - (g.size.y - g.bearing.y) * 0.8f, 1.0f);
    EXPECT_GT(descender.highest, 60 + 10);
    EXPECT_GE(x.lowest, 59) << "x sits on the baseline";

    // Bytes without a glyph draw nothing and do not move the pen.
    EXPECT_EQ(draw(text, "\x80\xc3\xa4\xff").highest, -1);
    EXPECT_EQ(draw(text, "l\x80\xffl").red, draw(text, "ll").red);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextTest, DrawsInTheColourKeepsTheGlowSourceDarkAndLeavesTheTextProgramOn) {
    TextRenderer text("./Fonts/arial.ttf");
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
    EXPECT_NEAR(draw(text, "I", glm::vec4(1.0f, 1.0f, 1.0f, 0.5f)).red[y * width + x], 128, 1)
        << "half alpha";

    EXPECT_EQ(draw(text, "").highest, -1);
    GLint program = 0, vertexArray = -1, texture = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(static_cast<GLuint>(program), shader->programId);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(texture, 0);
}

TEST_F(TextTest, MissingFontIsReportedAndDrawsNothing) {
    testing::internal::CaptureStdout();
    TextRenderer text("./Fonts/no-such-font.ttf");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR::FREETYPE: Failed to load font\n");
    for (const Glyph& glyph : text.glyphs)
        EXPECT_EQ(glyph.textureId, 0u);
    EXPECT_EQ(draw(text, "Punkte: 100").highest, -1);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
}

} // namespace
