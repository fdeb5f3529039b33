#include "scene/TextureOverlay.h"
#include "render/Shader.h"
#include "support/GlContext.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>

#include <array>
#include <cstdlib>
#include <memory>

using tavo::scene::TextureOverlay;

namespace {

using Rgba = std::array<int, 4>;

class TextureOverlayTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("overlay");
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void TearDown() override {
        glDisable(GL_BLEND);
        GlTest::TearDown();
    }

    std::string picture(const std::string& name, const std::string& colour) {
        const std::string path = folder + "/" + name + ".png";
        const std::string command =
            "convert -size 16x16 xc:'" + colour + "' -type TrueColorAlpha '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }

    float factorOf(const TextureOverlay& overlay) const {
        float factor = 0.0f;
        glGetUniformfv(overlay.shader->programId, overlay.factorLocation, &factor);
        return factor;
    }

    std::string folder;
    SceneTarget target{width, height};
};

TEST_F(TextureOverlayTest, FadeDarkensTheScreenAsTheFactorRunsDown) {
    Shader fade(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/textureOverlay.frag");
    TextureOverlay overlay(glm::mat4(1.0f), &fade, 1.0f, picture("black", "#000000ff"));
    const auto drawOverWhite = [&] {
        target.bindAndClear(1.0f, 1.0f, 1.0f, 1.0f);
        overlay.draw();
    };

    drawOverWhite();
    EXPECT_FLOAT_EQ(factorOf(overlay), 1.0f);
    EXPECT_EQ(target.pixel(0, 10, 10)[0], 255) << "not yet faded";

    overlay.update(1.0f, nullptr);
    drawOverWhite();
    EXPECT_FLOAT_EQ(factorOf(overlay), 0.5f);
    for (const auto& at :
         {glm::ivec2(1, 1), glm::ivec2(width / 2, height / 2), glm::ivec2(width - 1, height - 1)})
        EXPECT_NEAR(target.pixel(0, at.x, at.y)[0], 128, 2) << "half faded at " << at.x << ", " << at.y;
    EXPECT_NEAR(target.pixel(1, width / 2, height / 2)[0], 128, 2) << "the glow source fades alike";

    overlay.update(2.0f, nullptr);
    drawOverWhite();
    EXPECT_FLOAT_EQ(factorOf(overlay), -0.5f);
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(target.pixel(1, width / 2, height / 2)[0], 0);

    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_EQ(target.depthAt(width / 2, height / 2), 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureOverlayTest, PrizeShowsUnchangedInARaisedSquare) {
    Shader unchanged(SCREEN_SPACE, "./Shader/textureOverlayUnchanged.vert",
                     "./Shader/textureOverlayUnchanged.frag");
    // The test window is 16:9, like the game's: the square is 0.5625 wide either side of the centre in clip
    // space (90 pixels) and reaches from -0.75 (row 22.5) to above the top.
    TextureOverlay prize(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.25f, 0.0f)), &unchanged,
                         float(width) / float(height), picture("prize", "#c86432ff"));
    prize.update(3.0f, nullptr);
    target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
    const float shine[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glClearBufferfv(GL_COLOR, 1, shine);
    prize.draw();

    const Rgba shown{200, 100, 50, 255};
    const Rgba background{0, 0, 0, 255};
    EXPECT_EQ(target.pixel(0, 71, 100), shown);
    EXPECT_EQ(target.pixel(0, 69, 100), background);
    EXPECT_EQ(target.pixel(0, 249, 100), shown);
    EXPECT_EQ(target.pixel(0, 251, 100), background);
    EXPECT_EQ(target.pixel(0, width / 2, 23), shown);
    EXPECT_EQ(target.pixel(0, width / 2, 21), background);
    EXPECT_EQ(target.pixel(0, width / 2, height - 1), shown);
    // Nothing glows through the prize; beside it the glow source is untouched.
    EXPECT_EQ(target.pixel(1, width / 2, 100), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(target.pixel(1, 30, 100), (Rgba{255, 255, 255, 255}));
}

TEST_F(TextureOverlayTest, PrizeKeepsItsOwnTransparency) {
    Shader unchanged(SCREEN_SPACE, "./Shader/textureOverlayUnchanged.vert",
                     "./Shader/textureOverlayUnchanged.frag");
    TextureOverlay prize(glm::mat4(1.0f), &unchanged, 1.0f, picture("clear", "#ff000000"));
    target.bindAndClear(0.0f, 0.0f, 1.0f, 1.0f);
    prize.draw();
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), (Rgba{0, 0, 255, 255}));
}

// The aircraft's boost gauge: its bar is drawn with the overlay's vertex program and quad.
class BoostGaugeTest : public TextureOverlayTest, public testing::WithParamInterface<float> {};

TEST_P(BoostGaugeTest, BarFillsFromTheLeftToTheAmount) {
    Shader gauge(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/boost.frag");
    TextureOverlay bar(glm::mat4(1.0f), &gauge, 1.0f, picture("white", "#ffffffff"));
    const float amount = GetParam();
    glUseProgram(gauge.programId);
    glUniform1f(glGetUniformLocation(gauge.programId, "amount"), amount);
    target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
    bar.draw();

    const auto brightness = [](const Rgba& c) { return c[0] + c[1] + c[2]; };
    const int filled = brightness(target.pixel(0, 2, height / 2));
    const int empty = brightness(target.pixel(0, width - 2, height / 2));
    ASSERT_GT(filled, 0);
    for (int x = 2; x < width; x += 16) {
        const bool shouldFill = (x + 0.5f) / width < amount;
        const Rgba picture = target.pixel(0, x, height / 2);
        const Rgba glow = target.pixel(1, x, height / 2);
        if (shouldFill) {
            EXPECT_GT(brightness(picture), 300) << "filled at x = " << x;
            EXPECT_GT(brightness(glow), 150) << "filled part glows at x = " << x;
        } else {
            EXPECT_LT(brightness(picture), 150) << "empty at x = " << x;
            EXPECT_EQ(brightness(glow), 0) << "empty part does not glow at x = " << x;
        }
    }
    if (amount > 0.0f && amount < 1.0f) {
        EXPECT_GT(filled, empty);
    }
}

INSTANTIATE_TEST_SUITE_P(Amounts, BoostGaugeTest, testing::Values(-0.5f, 0.0f, 0.3f, 0.75f, 1.0f));

} // namespace
