// The basic and colour programs of "./Shader": sun light, fill, specular, the shadow lookup on unit 2, the
// jet's textures on units 0 and 1, and the two outputs (picture and glow source).
#include "render/Shader.h"
#include "scene/GameObject.h"
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <array>
#include <unistd.h>

using tavo::scene::GameObject;

namespace {

constexpr int size = 32;

class LitProgramsTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(WINDLAP_RUN_DIR), 0);
        folder = makeTempFolder("lit");
        TestMesh square = squareMesh("square", 1.0f);
        square.diffuse = glm::vec3(0.8f, 0.4f, 0.2f);
        square.specular = glm::vec3(0.0f);
        writeCollada(folder + "/square.dae", {square});
        square.specular = glm::vec3(1.0f);
        writeCollada(folder + "/shiny.dae", {square});
        color = std::make_unique<Shader>(COLOR, "./Shader/color.vert", "./Shader/color.frag");
        basic = std::make_unique<Shader>(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");

        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenTextures(2, targets.data());
        for (int i = 0; i < 2; ++i) {
            glBindTexture(GL_TEXTURE_2D, targets[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
            glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, targets[i], 0);
        }
        const GLenum buffers[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
        glDrawBuffers(2, buffers);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        glViewport(0, 0, size, size);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }
    void TearDown() override {
        for (int unit = 0; unit < 3; ++unit) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        glActiveTexture(GL_TEXTURE0);
        glDeleteTextures(1, &shadowTexture);
        glDeleteTextures(2, targets.data());
        glDeleteFramebuffers(1, &framebuffer);
        color.reset();
        basic.reset();
        GlTest::TearDown();
    }

    // The square faces the camera 3 units away; the sun travels along sunDirection. Returns the centre pixel
    // of the picture and of the glow source.
    std::array<glm::vec4, 2> render(Shader& program, const std::string& file, glm::vec3 sunDirection,
                                    float glow = 0.0f, const glm::mat4& shadowMatrix = glm::mat4(0.0f)) {
        GameObject square(glm::mat4(1.0f), &program, folder + "/" + file);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        const GLuint id = program.programId;
        glUseProgram(id);
        const glm::mat4 identity(1.0f);
        const glm::mat4 view = glm::lookAt(glm::vec3(0, 0, 3), glm::vec3(0), glm::vec3(0, 1, 0));
        const glm::mat4 projection = glm::perspective(0.8f, 1.0f, 0.1f, 100.0f);
        glUniformMatrix4fv(glGetUniformLocation(id, "model"), 1, GL_FALSE, glm::value_ptr(identity));
        glUniformMatrix4fv(glGetUniformLocation(id, "view"), 1, GL_FALSE, glm::value_ptr(view));
        glUniformMatrix4fv(glGetUniformLocation(id, "projection"), 1, GL_FALSE, glm::value_ptr(projection));
        glUniformMatrix4fv(glGetUniformLocation(id, "M_Vl_Pl_L_Matrix"), 1, GL_FALSE,
                           glm::value_ptr(shadowMatrix));
        glUniform3fv(glGetUniformLocation(id, "sunDirection"), 1, glm::value_ptr(sunDirection));
        glUniform3f(glGetUniformLocation(id, "sunColor"), 1.0f, 1.0f, 1.0f);
        glUniform1f(glGetUniformLocation(id, "ambient"), 0.1f);
        glUniform1f(program.glowLoc, glow);
        square.drawWithShader();
        glFinish();
        std::array<glm::vec4, 2> centre;
        for (int i = 0; i < 2; ++i) {
            glReadBuffer(GL_COLOR_ATTACHMENT0 + i);
            const auto p = readPixels(size / 2, size / 2, 1, 1);
            centre[i] = glm::vec4(p[0], p[1], p[2], p[3]) / 255.0f;
        }
        return centre;
    }

    // A depth texture compared as the shadow map is, filled with one depth, on unit 2.
    void bindShadowMap(float depth) {
        glGenTextures(1, &shadowTexture);
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D, shadowTexture);
        const std::vector<float> depths(16 * 16, depth);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, 16, 16, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                     depths.data());
        const float border[] = {1, 1, 1, 1};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LESS);
        glActiveTexture(GL_TEXTURE0);
    }

    // A 1 x 1 RGBA texture on a unit.
    GLuint bindPixel(int unit, std::array<unsigned char, 4> rgba) {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glActiveTexture(GL_TEXTURE0);
        return texture;
    }

    std::string folder;
    std::unique_ptr<Shader> color;
    std::unique_ptr<Shader> basic;
    GLuint framebuffer = 0;
    std::array<GLuint, 2> targets{};
    GLuint shadowTexture = 0;
};

// A shadow matrix that sends every vertex to the same shadow-map coordinates.
glm::mat4 constantCoordinates(glm::vec3 coordinates) {
    glm::mat4 m(0.0f);
    m[3] = glm::vec4(coordinates, 1.0f);
    return m;
}

const glm::vec3 towardTheFace(0, 0, -1); // light travelling from the camera's side onto the square
const glm::vec3 fromBehind(0, 0, 1);

} // namespace

TEST_F(LitProgramsTest, SunLightsTheFaceTowardItAndTheFillKeepsTheRestVisible) {
    const glm::vec4 lit = render(*color, "square.dae", towardTheFace)[0];
    const glm::vec4 unlit = render(*color, "square.dae", fromBehind)[0];
    EXPECT_GT(lit.r, 0.7f);
    EXPECT_LT(lit.r, 0.95f);
    EXPECT_GT(lit.r, lit.g); // the material's colour comes through
    EXPECT_GT(lit.g, lit.b);
    EXPECT_GT(unlit.r, 0.04f); // ambient fill: dark but not black
    EXPECT_LT(unlit.r, 0.2f);
    EXPECT_EQ(lit.a, 1.0f);
}

TEST_F(LitProgramsTest, SpecularAddsAHighlightOfTheSunsColour) {
    const glm::vec4 matte = render(*color, "square.dae", towardTheFace)[0];
    const glm::vec4 shiny = render(*color, "shiny.dae", towardTheFace)[0];
    EXPECT_GT(shiny.b, matte.b + 0.5f);
}

TEST_F(LitProgramsTest, GlowSourceIsTheColourTimesGlow) {
    const auto plain = render(*color, "square.dae", towardTheFace, 0.0f);
    EXPECT_EQ(glm::vec3(plain[1]), glm::vec3(0.0f));
    const auto glowing = render(*color, "square.dae", towardTheFace, 1.0f);
    EXPECT_NEAR(glowing[1].r, glowing[0].r, 2.0f / 255);
    EXPECT_NEAR(glowing[1].g, glowing[0].g, 2.0f / 255);
}

TEST_F(LitProgramsTest, ShadowMapOnUnitTwoDarkensOnlyInsideTheMap) {
    const float noMap = render(*color, "square.dae", towardTheFace, 0.0f, glm::mat4(1.0f))[0].r;
    bindShadowMap(0.0f); // every caster nearer than any receiver
    // Coordinates (0.5, 0.5, depth 0.5) fall inside the map: shadowed.
    const glm::mat4 inside = constantCoordinates(glm::vec3(0.5f, 0.5f, 0.5f));
    const float shadowed = render(*color, "square.dae", towardTheFace, 0.0f, inside)[0].r;
    // Beyond the map's edge the border depth 1 counts as lit.
    const glm::mat4 outside = constantCoordinates(glm::vec3(1.5f, 0.5f, 0.5f));
    const float beyond = render(*color, "square.dae", towardTheFace, 0.0f, outside)[0].r;
    EXPECT_GT(noMap, 0.7f);
    EXPECT_LT(shadowed, 0.2f);
    EXPECT_NEAR(beyond, noMap, 2.0f / 255);
}

TEST_F(LitProgramsTest, BasicProgramTakesColourFromUnitZeroAndGlowFromUnitOne) {
    const GLuint picture = bindPixel(0, {255, 0, 0, 128});
    const GLuint glowMask = bindPixel(1, {0, 255, 0, 255});
    const auto out = render(*basic, "square.dae", towardTheFace);
    EXPECT_GT(out[0].r, 0.8f);
    EXPECT_LT(out[0].g, 0.05f);
    EXPECT_NEAR(out[0].a, 128.0f / 255, 1.0f / 255); // the canopy's transparency comes from the texture
    EXPECT_NEAR(out[1].g, 1.0f, 1.0f / 255);
    EXPECT_LT(out[1].r, 0.01f);
    glDeleteTextures(1, &picture);
    glDeleteTextures(1, &glowMask);
}
