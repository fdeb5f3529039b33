#include "scene/LensFlare.h"
#include "render/Shader.h"
#include "scene/Camera.h"
#include "scene/SkyBox.h"
#include "scene/ViewFrustum.h"
#include "support/GlContext.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using tavo::scene::Camera;
using tavo::scene::LensFlare;

namespace {

class LensFlareTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("lensflare");
        // Each sprite is a small disc on black, so every element marks its own centre. Bloom, spike and ring
        // are red, the two halos green and blue.
        const std::string red = sprite("red", "#ff0000");
        const std::string green = sprite("green", "#00ff00");
        const std::string blue = sprite("blue", "#0000ff");
        shader = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/lensFlare.vert", "./Shader/lensFlare.frag");
        flare = std::make_unique<LensFlare>(glm::mat4(1.0f), shader.get(), float(width) / float(height),
                                            &camera, width, height, red, red, green, blue, red);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void TearDown() override {
        flare.reset();
        glDisable(GL_BLEND);
        GlTest::TearDown();
    }

    std::string sprite(const std::string& name, const std::string& colour) {
        const std::string path = folder + "/" + name + ".png";
        const std::string command = "convert -size 32x32 xc:black -fill '" + colour +
                                    "' -draw 'circle 15.5,15.5 15.5,21.5' -type TrueColor '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }

    // Points the camera along the direction (as the camera's own view would) and places the flare.
    void lookAlong(const glm::vec3& direction) {
        camera.viewDirection = glm::normalize(direction);
        const glm::vec3 eye(30.0f, 60.0f, -90.0f);
        view = glm::lookAt(eye, eye + camera.viewDirection, glm::vec3(0.0f, 1.0f, 0.0f));
        flare->updatePositions(view, projection);
    }

    // The window pixel that clip-space point (x, y) lands on.
    glm::ivec2 pixelOf(const glm::vec2& clip) const {
        return {int((clip.x + 1.0f) * 0.5f * width), int((clip.y + 1.0f) * 0.5f * height)};
    }

    // Where the sun's direction lands on screen, in normalised device coordinates.
    glm::vec2 sunOffset() const {
        const glm::vec4 clip = projection * glm::vec4(glm::mat3(view) * glm::vec3(-0.5f, 0.5f, -1.0f), 1.0f);
        return glm::vec2(clip) / clip.w;
    }

    int litPixels() const {
        int lit = 0;
        const auto all = target.pixels(0);
        for (size_t i = 0; i < all.size(); i += 4)
            if (all[i] + all[i + 1] + all[i + 2] > 0)
                ++lit;
        return lit;
    }

    // A direction the angle away from the sun's, sideways (about the axis) or up and down (about the side).
    static glm::vec3 sunTurnedBy(float degrees, bool sideways = true) {
        const glm::vec3 sun = glm::normalize(glm::vec3(-0.5f, 0.5f, -1.0f));
        const glm::vec3 side = glm::normalize(glm::cross(sun, glm::vec3(0.0f, 1.0f, 0.0f)));
        const glm::vec3 axis = sideways ? glm::cross(side, sun) : side;
        return glm::vec3(glm::rotate(glm::mat4(1.0f), glm::radians(degrees), axis) * glm::vec4(sun, 0.0f));
    }

    std::string folder;
    Camera camera{15.0f, 1.0f, glm::mat4(1.0f)};
    glm::mat4 view{1.0f};
    glm::mat4 projection =
        glm::perspective(glm::radians(90.0f), float(width) / float(height), 0.1f, 10000.0f);
    std::unique_ptr<Shader> shader;
    std::unique_ptr<LensFlare> flare;
    SceneTarget target{width, height};
};

TEST_F(LensFlareTest, ElementsLieOnALineThroughTheCentre) {
    lookAlong(sunTurnedBy(30.0f));
    ASSERT_TRUE(flare->sunVisible);
    target.bindAndClear();
    const float glowBefore[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    glClearBufferfv(GL_COLOR, 1, glowBefore);
    flare->draw();

    const glm::vec2 d = sunOffset();
    ASSERT_GT(glm::length(d), 0.3f);
    const glm::ivec2 atSun = pixelOf(d);
    const glm::ivec2 mirrored = pixelOf(-d);
    const glm::ivec2 near = pixelOf(0.3f * d);
    // Bloom, spike and ring at the sun: red.
    EXPECT_EQ(target.pixel(0, atSun.x, atSun.y)[0], 255);
    // Each halo pair (green, then blue over it) mirrored through the centre and at 0.3 of the way to the sun.
    for (const glm::ivec2 at : {mirrored, near}) {
        const auto colour = target.pixel(0, at.x, at.y);
        EXPECT_LT(colour[0], 20) << at.x << ", " << at.y;
        EXPECT_GT(colour[1], 40) << at.x << ", " << at.y;
        EXPECT_GT(colour[2], 100) << at.x << ", " << at.y;
    }
    // Off the line nothing is drawn, and the flare leaves the glow source alone.
    const glm::ivec2 aside = pixelOf(glm::vec2(-d.y, d.x) * 0.6f);
    EXPECT_EQ(target.pixel(0, aside.x, aside.y), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(target.pixel(1, atSun.x, atSun.y), (std::array<int, 4>{51, 102, 153, 255}));
    glDisable(GL_BLEND);
    target.bindAndClear();
    glClearBufferfv(GL_COLOR, 1, glowBefore);
    flare->draw();
    EXPECT_EQ(target.pixel(1, atSun.x, atSun.y), (std::array<int, 4>{51, 102, 153, 255}))
        << "without blending too";
    GLboolean glowWrites[4] = {GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE};
    glGetBooleani_v(GL_COLOR_WRITEMASK, 1, glowWrites);
    EXPECT_TRUE(glowWrites[0] && glowWrites[1] && glowWrites[2] && glowWrites[3]);

    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(static_cast<GLuint>(texture), flare->textures[LensFlare::HALO2]->textureId);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LensFlareTest, SunStraightAheadPutsEveryElementAtTheCentre) {
    lookAlong(glm::vec3(-0.5f, 0.5f, -1.0f));
    target.bindAndClear();
    flare->draw();
    const auto centre = target.pixel(0, width / 2, height / 2);
    EXPECT_GT(centre[1] + centre[2], 100) << "the halos end on top at the centre";
    const auto away = target.pixel(0, width / 2 + 100, height / 2);
    EXPECT_EQ(away[0] + away[1] + away[2], 0);
}

TEST_F(LensFlareTest, NothingOutsideTheViewCone) {
    for (const bool sideways : {true, false}) {
        lookAlong(sunTurnedBy(56.0f, sideways));
        EXPECT_FALSE(flare->sunVisible);
        target.bindAndClear();
        flare->draw();
        EXPECT_EQ(litPixels(), 0);

        lookAlong(sunTurnedBy(54.0f, sideways));
        EXPECT_TRUE(flare->sunVisible);
        // 54 degrees up or down puts the sun beyond the picture's edge (hidden); sideways it is on screen.
        if (!sideways)
            continue;
        target.bindAndClear();
        flare->draw();
        EXPECT_GT(litPixels(), 0);
    }
}

TEST_F(LensFlareTest, CoveredSunHidesTheWholeFlare) {
    lookAlong(sunTurnedBy(30.0f));
    target.bindAndClear();
    // Something nearer than the far plane on the sun's pixel and its neighbours only.
    const glm::ivec2 sun = pixelOf(sunOffset());
    glEnable(GL_SCISSOR_TEST);
    glScissor(sun.x - 1, sun.y - 1, 3, 3);
    glClearDepth(0.999);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDisable(GL_SCISSOR_TEST);
    flare->draw();
    EXPECT_EQ(litPixels(), 0);
}

TEST_F(LensFlareTest, SunInsideTheConeButOffScreenCountsAsHidden) {
    // Zoomed in to 60 degrees and looking 50 degrees above the sun: inside the cone, but the sun's pixel is
    // below the window's bottom edge, while the elements near the centre would be on screen.
    projection = glm::perspective(glm::radians(60.0f), float(width) / float(height), 0.1f, 10000.0f);
    lookAlong(sunTurnedBy(50.0f, false));
    ASSERT_TRUE(flare->sunVisible);
    ASSERT_LT(sunOffset().y, -1.0f);
    target.bindAndClear();
    flare->draw();
    EXPECT_EQ(litPixels(), 0);

    // A quarter of a pixel below the edge: cutting the position toward zero would read row 0 instead.
    const float edgeOffset = -1.0f - 0.5f / height;
    const float focal = projection[1][1] * edgeOffset / sunOffset().y;
    projection =
        glm::perspective(2.0f * std::atan(1.0f / focal), float(width) / float(height), 0.1f, 10000.0f);
    lookAlong(sunTurnedBy(50.0f, false));
    ASSERT_NEAR(sunOffset().y, edgeOffset, 1e-4f);
    target.bindAndClear();
    flare->draw();
    EXPECT_EQ(litPixels(), 0);
}

// Centre of the pixels that pass the test, or (-1, -1) when none does.
template <class Pass> glm::vec2 centreOf(const std::vector<unsigned char>& rgba, int w, Pass&& pass) {
    glm::dvec2 sum(0.0);
    int count = 0;
    for (int y = 0; y < static_cast<int>(rgba.size() / 4) / w; ++y)
        for (int x = 0; x < w; ++x)
            if (pass(&rgba[(static_cast<size_t>(y) * w + x) * 4])) {
                sum += glm::dvec2(x + 0.5, y + 0.5);
                ++count;
            }
    return count == 0 ? glm::vec2(-1.0f) : glm::vec2(sum / double(count));
}

TEST_F(LensFlareTest, PaintedSunBloomAndProbeCoincideAcrossTheCone) {
    // The game's window, projection, sky and sun direction; a bloom that is a red disc, the rest black.
    constexpr int w = 1280;
    constexpr int h = 720;
    const std::string black = sprite("black", "#000000");
    flare = std::make_unique<LensFlare>(glm::mat4(1.0f), shader.get(), float(w) / float(h), &camera, w, h,
                                        sprite("bloom", "#ff0000"), black, black, black, black);
    projection = tavo::scene::perspectiveProjection(tavo::scene::fieldOfViewY(1.0f), float(w) / float(h));
    tavo::scene::SkyBox sky(projection, "./Textures/skybox/right.jpg", "./Textures/skybox/left.jpg",
                            "./Textures/skybox/top.jpg", "./Textures/skybox/bottom.jpg",
                            "./Textures/skybox/back.jpg", "./Textures/skybox/front.jpg");
    SceneTarget big(w, h);
    ASSERT_TRUE(big.complete);
    struct Turn {
        float degrees;
        bool sideways;
    };
    // From straight at the sun to the edges of the picture, sideways and up and down.
    const Turn turns[] = {{0, true},   {15, true},  {-30, true}, {38, true},
                          {-42, true}, {12, false}, {-22, false}};
    for (const Turn& turn : turns) {
        SCOPED_TRACE(testing::Message()
                     << turn.degrees << " degrees " << (turn.sideways ? "sideways" : "up"));
        lookAlong(sunTurnedBy(turn.degrees, turn.sideways));
        ASSERT_TRUE(flare->sunVisible);
        big.bindAndClear();
        sky.draw(view);
        const glm::vec2 painted = centreOf(big.pixels(0), w, [](const unsigned char* p) {
            // The disc is (1, 1, 0.95); its halo saturates blue first, red and green only on the disc.
            return p[0] >= 250 && p[1] >= 250 && p[2] < 250;
        });
        ASSERT_GE(painted.x, 0.0f) << "no sun painted in the picture";

        big.bindAndClear();
        flare->draw();
        const glm::vec2 bloom = centreOf(big.pixels(0), w, [](const unsigned char* p) { return p[0] > 128; });
        EXPECT_LT(glm::length(bloom - painted), 2.0f)
            << "bloom at " << bloom.x << ", " << bloom.y << ", sun painted at " << painted.x << ", "
            << painted.y;

        // Covering the painted sun's pixel and its neighbours up to 2 pixels away hides the flare, so the
        // probe lies there.
        big.bindAndClear();
        glEnable(GL_SCISSOR_TEST);
        glScissor(int(painted.x) - 2, int(painted.y) - 2, 5, 5);
        glClearDepth(0.999);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        glDisable(GL_SCISSOR_TEST);
        flare->draw();
        const auto all = big.pixels(0);
        EXPECT_EQ(std::count(all.begin(), all.end(), 0), static_cast<long>(all.size())) << "the probe missed";
    }
    GLint depthFunction = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(depthFunction, GL_LESS) << "the probe puts the depth function back";
    GLboolean colourWrites[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, colourWrites);
    EXPECT_TRUE(colourWrites[0] && colourWrites[1] && colourWrites[2] && colourWrites[3]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LensFlareTest, NoViewDirectionYetMeansNoSun) {
    camera.viewDirection = glm::vec3(0.0f);
    flare->updatePositions(view, projection);
    EXPECT_FALSE(flare->sunVisible);
}

} // namespace
