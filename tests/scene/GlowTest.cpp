#include "scene/Glow.h"
#include "render/Shader.h"
#include "support/GlContext.h"

#include <glm/gtc/type_ptr.hpp>

#include <array>
#include <memory>

using tavo::scene::Glow;

namespace {

class GlowTest : public GlTest, public testing::WithParamInterface<std::array<GLint, 2>> {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ver = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/ver.vert", "./Shader/ver.frag");
        hor = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/hor.vert", "./Shader/hor.frag");
        combine = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/combine.vert", "./Shader/combine.frag");
        // As the game sets it up: the texel size of the half-size targets.
        const glm::vec2 resolution(1.0f / float(width / 2), 1.0f / float(height / 2));
        for (const Shader* blur : {ver.get(), hor.get()}) {
            glUseProgram(blur->programId);
            glUniform2fv(glGetUniformLocation(blur->programId, "resolution"), 1, glm::value_ptr(resolution));
        }
        glow = std::make_unique<Glow>(glm::mat4(1.0f), width, height, ver.get(), hor.get(), combine.get());
        glow->input = &input;
        // The game's first frame applies the default sampling: trilinear.
        glow->setTextureFilter(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void TearDown() override {
        glow.reset();
        glDisable(GL_BLEND);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        GlTest::TearDown();
    }

    // The colour pass, reduced to a dark grey picture and a 12 x 12 white square in the glow source at the
    // centre of the window.
    void renderScene() const {
        glBindFramebuffer(GL_FRAMEBUFFER, glow->sceneFramebuffer);
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const float picture[4] = {0.25f, 0.25f, 0.25f, 1.0f};
        glClearBufferfv(GL_COLOR, 0, picture);
        glEnable(GL_SCISSOR_TEST);
        glScissor(width / 2 - 6, height / 2 - 6, 12, 12);
        const float shine[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        glClearBufferfv(GL_COLOR, 1, shine);
        glDisable(GL_SCISSOR_TEST);
    }

    // Red channel of the window, relative to the centre of the glowing square.
    static int windowAt(int dx, int dy) { return readPixels(width / 2 + dx, height / 2 + dy, 1, 1)[0]; }

    InputState input;
    std::unique_ptr<Shader> ver, hor, combine;
    std::unique_ptr<Glow> glow;
};

TEST_P(GlowTest, BrightSourceBloomsIntoItsSurroundings) {
    glow->setTextureFilter(GetParam()[0], GetParam()[1]);
    renderScene();
    glow->draw();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);

    const int picture = 64;
    EXPECT_GT(windowAt(0, 0), picture + 60) << "the source itself shines";
    // Falling off with distance the same way in both directions, as a Gaussian does.
    int previousRight = windowAt(0, 0);
    int previousUp = windowAt(0, 0);
    for (const int distance : {6, 12, 18}) {
        const int right = windowAt(distance, 0);
        const int up = windowAt(0, distance);
        EXPECT_GT(right, picture) << distance << " pixels to the right";
        EXPECT_GT(up, picture) << distance << " pixels up";
        EXPECT_LE(right, previousRight);
        EXPECT_LE(up, previousUp);
        EXPECT_NEAR(right, up, 12) << "vertical and horizontal spread alike at " << distance;
        previousRight = right;
        previousUp = up;
    }
    // Where the glow source is black the picture comes through unchanged.
    EXPECT_EQ(windowAt(100, 0), picture);
    EXPECT_EQ(windowAt(-100, 60), picture);
    EXPECT_EQ(windowAt(0, -60), picture);
    const auto corner = readPixels(0, 0, 1, 1);
    EXPECT_EQ(corner[0], picture);
    EXPECT_EQ(corner[1], picture);
    EXPECT_EQ(corner[2], picture);
}

INSTANTIATE_TEST_SUITE_P(SamplingModes, GlowTest,
                         testing::Values(std::array<GLint, 2>{GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR},
                                         std::array<GLint, 2>{GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
                                         std::array<GLint, 2>{GL_LINEAR, GL_LINEAR}));

TEST_F(GlowTest, LeavesTheWindowReadyAndThePolygonModeAsItWas) {
    input.wireframe = 1;
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    renderScene();
    glActiveTexture(GL_TEXTURE3);
    glViewport(3, 4, 5, 6);
    glDepthFunc(GL_LESS);
    glow->draw();

    GLint framebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(static_cast<GLuint>(texture), glow->sceneTexture);
    GLint polygonMode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_LINE);
    // In wireframe the combine still fills the window, not just the quad's outline.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    EXPECT_EQ(readPixels(40, 150, 1, 1)[0], 64);
    EXPECT_EQ(readPixels(250, 30, 1, 1)[0], 64);
    float windowDepth = -1.0f;
    glReadPixels(40, 150, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &windowDepth);
    EXPECT_EQ(windowDepth, 1.0f) << "the composite wrote the window's cleared depth";
    // Blending, depth function and depth writes as they were.
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint depthFunction = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(depthFunction, GL_LESS);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlowTest, OddWindowWidthHalvesDown) {
    Glow odd(glm::mat4(1.0f), 321, 181, ver.get(), hor.get(), combine.get());
    GLint blurWidth = 0;
    GLint blurHeight = 0;
    glBindTexture(GL_TEXTURE_2D, odd.verTexture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &blurWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &blurHeight);
    EXPECT_EQ(blurWidth, 160);
    EXPECT_EQ(blurHeight, 90);
}

} // namespace
