// The screen passes (glow, sky, shadow map, overlays, lens flare): the GL state each leaves behind and the
// faults the whole-frame goldens would not show clearly.
#include "render/Shader.h"
#include "scene/Camera.h"
#include "scene/Glow.h"
#include "scene/LensFlare.h"
#include "scene/ShadowMap.h"
#include "scene/SkyBox.h"
#include "scene/TextureOverlay.h"
#include "scene/ViewFrustum.h"
#include "support/GlContext.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace tavo::scene;

namespace {

using Rgba = std::array<int, 4>;
const Rgba black{0, 0, 0, 255};

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

bool depthWrites() {
    GLboolean writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    return writes == GL_TRUE;
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

// Depth nearer than the far plane on a small square only, as a covering object would leave it.
void coverAround(glm::ivec2 at, int reach) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(at.x - reach, at.y - reach, 2 * reach + 1, 2 * reach + 1);
    glClearDepth(0.999);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDisable(GL_SCISSOR_TEST);
}

class ScreenPassesTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("passes");
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void TearDown() override {
        glDisable(GL_BLEND);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glActiveTexture(GL_TEXTURE0);
        GlTest::TearDown();
    }
    // An image made by ImageMagick from its arguments.
    std::string image(const std::string& name, const std::string& arguments) {
        const std::string path = folder + "/" + name + ".png";
        EXPECT_EQ(std::system(("convert " + arguments + " '" + path + "'").c_str()), 0) << name;
        return path;
    }
    std::string face(const std::string& name, const std::string& colour, const std::string& size = "8x8") {
        return image(name, "-size " + size + " xc:'" + colour + "'");
    }
    // A small disc on black, so every flare element marks its own centre.
    std::string sprite(const std::string& name, const std::string& colour) {
        return image(name, "-size 32x32 xc:black -fill '" + colour +
                               "' -draw 'circle 15.5,15.5 15.5,21.5' -type TrueColor");
    }

    std::string folder;
    glm::mat4 projection =
        glm::perspective(glm::radians(90.0f), float(width) / float(height), 0.1f, 10000.0f);
    SceneTarget target{width, height};
};

std::unique_ptr<Glow> makeGlow(int w, int h, Shader& ver, Shader& hor, Shader& combine) {
    return std::make_unique<Glow>(glm::mat4(1.0f), w, h, &ver, &hor, &combine);
}

} // namespace

TEST_F(ScreenPassesTest, GlowLeavesTheWindowReadyAndTheStatesAsTheyWere) {
    Shader ver(SCREEN_SPACE, "./Shader/ver.vert", "./Shader/ver.frag");
    Shader hor(SCREEN_SPACE, "./Shader/hor.vert", "./Shader/hor.frag");
    Shader combine(SCREEN_SPACE, "./Shader/combine.vert", "./Shader/combine.frag");
    auto glow = makeGlow(width, height, ver, hor, combine);
    InputState input;
    input.wireframe = 1;
    glow->input = &input;
    glow->setTextureFilter(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBindFramebuffer(GL_FRAMEBUFFER, glow->sceneFramebuffer);
    glViewport(0, 0, width, height);
    glClear(GL_DEPTH_BUFFER_BIT);
    const float picture[4] = {0.25f, 0.25f, 0.25f, 1.0f}, dark[4] = {0, 0, 0, 1};
    glClearBufferfv(GL_COLOR, 0, picture);
    glClearBufferfv(GL_COLOR, 1, dark);
    glActiveTexture(GL_TEXTURE3);
    glViewport(3, 4, 5, 6);
    glow->draw();

    EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, width, height}));
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)), glow->sceneTexture);
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
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_TRUE(depthWrites());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // An odd window size halves down for the blur targets.
    auto odd = makeGlow(321, 181, ver, hor, combine);
    glBindTexture(GL_TEXTURE_2D, odd->verTexture);
    GLint blurWidth = 0, blurHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &blurWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &blurHeight);
    EXPECT_EQ(blurWidth, 160);
    EXPECT_EQ(blurHeight, 90);
}

TEST_F(ScreenPassesTest, SkyStaysBehindEverythingLeavesItsStatesAndOnlyTheSunGlows) {
    // The white bottom face stands in for the sun's disk; the front is cloud grey.
    SkyBox sky(projection, face("right", "#ff0000"), face("left", "#00ff00"), face("top", "#0000ff"),
               face("bottom", "#ffffff"), face("back", "#ff00ff"), face("front", "#e0e0e0"));
    target.bindAndClear();
    // Something drawn earlier at depth 0.99 (the far end of a view): the sky must not cover it.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 20, height);
    glClearBufferfv(GL_COLOR, 0, std::array<float, 4>{1.0f, 1.0f, 0.0f, 1.0f}.data());
    glClearDepth(0.99);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDisable(GL_SCISSOR_TEST);
    glActiveTexture(GL_TEXTURE3);
    const glm::vec3 eye(400.0f, -250.0f, 1200.0f); // far off the origin: the sky must not move with the eye
    sky.draw(glm::lookAt(eye, eye + glm::vec3(0.0f, -0.5f, -0.8660254f), glm::vec3(0.0f, 1.0f, 0.0f)));
    EXPECT_EQ(target.pixel(0, 5, height / 2), (Rgba{255, 255, 0, 255})) << "covered by the earlier drawing";
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), (Rgba{224, 224, 224, 255})) << "passes cleared depth";
    EXPECT_EQ(target.depthAt(width / 2, height / 2), 1.0f) << "no depth written";
    EXPECT_TRUE(depthWrites());
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LESS) << "the depth function is put back";
    EXPECT_EQ(target.pixel(1, width / 2, 1), (Rgba{255, 255, 255, 255})) << "the sun glows";
    EXPECT_EQ(target.pixel(1, width / 2, height / 2), black) << "cloud grey does not";
    EXPECT_EQ(target.pixel(1, width - 2, height / 2), black);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_CURRENT_PROGRAM)), sky.shader->programId);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_CUBE_MAP)), sky.cubeTexture);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScreenPassesTest, UnusableSkyFacesTurnBlackAndTheMostCommonSizeWins) {
    struct Case {
        const char *right, *left, *top; // ImageMagick sizes; "" for a missing file
        Rgba atRight, atLeft, atTop;
    };
    // Of size, shape and existence, each fault alone would leave the cube map incomplete: black everywhere.
    // A larger first face alone loses to the other five.
    const Rgba green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    const Case cases[] = {{"4x4", "8x4", "", black, black, black},
                          {"16x16", "8x8", "8x8", black, green, blue}};
    for (const Case& c : cases) {
        const std::string top = *c.top ? face("top", "#0000ff", c.top) : folder + "/missing.png";
        SkyBox sky(projection, face("right", "#ff0000", c.right), face("left", "#00ff00", c.left), top,
                   face("bottom", "#ffffff"), face("back", "#ff00ff"), face("front", "#00ffff"));
        target.bindAndClear();
        const glm::vec3 raised(0.0f, 0.5f, -0.8660254f); // the top shows above the front
        sky.draw(glm::lookAt(glm::vec3(0.0f), raised, glm::vec3(0.0f, 1.0f, 0.0f)));
        EXPECT_EQ(target.pixel(0, width - 2, height / 2), c.atRight) << c.right;
        EXPECT_EQ(target.pixel(0, 1, height / 2), c.atLeft) << c.left;
        EXPECT_EQ(target.pixel(0, width / 2, height - 2), c.atTop) << c.top;
        EXPECT_EQ(target.pixel(0, width / 2, height / 2), (Rgba{0, 255, 255, 255})) << "the front shows";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScreenPassesTest, ShadowMapStaysOnUnitTwoGoesWithItsOwnerAndItsFootprintFollowsTheCamera) {
    Shader depth(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
    const glm::vec3 sun = glm::normalize(glm::vec3(1.0f, -0.5f, 1.0f));
    auto shadowMap = std::make_unique<ShadowMap>(glm::mat4(1.0f), &sun, &depth);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)), shadowMap->depthTexture);
    shadowMap->draw();
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // 3000 units away a caster at (-40, 20, -40) is outside the sun's footprint; over it, inside.
    shadowMap->updateLight({3000.0f, 333.0f, 0.0f});
    EXPECT_FALSE(shadowMap->sphereInLight({-40.0f, 20.0f, -40.0f}, 8.0f));
    shadowMap->updateLight({0.0f, 333.0f, 0.0f});
    EXPECT_TRUE(shadowMap->sphereInLight({-40.0f, 20.0f, -40.0f}, 8.0f));
    // Along the side axis the footprint reaches 1000 units: a sphere of 20 whose centre is 1010 out still
    // reaches in; at 1040 even the box around it (28 units along that axis) stays out.
    const glm::vec3 side = glm::normalize(glm::vec3(-1.0f, 0.0f, 1.0f));
    const glm::vec3 centre = glm::vec3(glm::inverse(shadowMap->lightView) * glm::vec4(0, 0, -1000, 1));
    EXPECT_TRUE(shadowMap->sphereInLight(centre + 1010.0f * side, 20.0f));
    EXPECT_FALSE(shadowMap->sphereInLight(centre + 1040.0f * side, 20.0f));
    EXPECT_TRUE(shadowMap->sphereInLight(glm::vec3(std::nanf("")), 20.0f)) << "not a number: drawn";

    const GLuint texture = shadowMap->depthTexture, framebuffer = shadowMap->framebuffer;
    ASSERT_TRUE(glIsTexture(texture));
    ASSERT_TRUE(glIsFramebuffer(framebuffer));
    shadowMap.reset();
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsFramebuffer(framebuffer));
}

TEST_F(ScreenPassesTest, FadeRunsDownThePrizeKeepsItsTransparencyAndTheGaugeFillsToTheAmount) {
    Shader fade(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/textureOverlay.frag");
    TextureOverlay overlay(glm::mat4(1.0f), &fade, 1.0f,
                           image("black", "-size 16x16 xc:'#000000ff' -type TrueColorAlpha"));
    for (const auto& [seconds, factor] : {std::pair{0.0f, 1.0f}, {1.0f, 0.5f}, {2.0f, -0.5f}}) {
        overlay.update(seconds, nullptr);
        target.bindAndClear(1.0f, 1.0f, 1.0f, 1.0f);
        overlay.draw();
        float drawn = 0.0f;
        glGetUniformfv(overlay.shader->programId, overlay.factorLocation, &drawn);
        EXPECT_FLOAT_EQ(drawn, factor);
    }
    EXPECT_EQ(target.pixel(1, width / 2, height / 2)[0], 0) << "the glow source fades too";
    EXPECT_TRUE(depthWrites());
    EXPECT_EQ(target.depthAt(width / 2, height / 2), 1.0f);

    Shader unchanged(SCREEN_SPACE, "./Shader/textureOverlayUnchanged.vert",
                     "./Shader/textureOverlayUnchanged.frag");
    TextureOverlay prize(glm::mat4(1.0f), &unchanged, 1.0f,
                         image("clear", "-size 16x16 xc:'#ff000000' -type TrueColorAlpha"));
    target.bindAndClear(0.0f, 0.0f, 1.0f, 1.0f);
    prize.draw();
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), (Rgba{0, 0, 255, 255}));

    // The aircraft's boost gauge: its bar is drawn with the overlay's vertex program and quad.
    Shader gauge(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/boost.frag");
    TextureOverlay bar(glm::mat4(1.0f), &gauge, 1.0f,
                       image("white", "-size 16x16 xc:'#ffffffff' -type TrueColorAlpha"));
    const auto brightness = [](const Rgba& c) { return c[0] + c[1] + c[2]; };
    for (const float amount : {-0.5f, 0.0f, 0.3f, 0.75f, 1.0f}) {
        glUseProgram(gauge.programId);
        glUniform1f(glGetUniformLocation(gauge.programId, "amount"), amount);
        target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
        bar.draw();
        EXPECT_GT(brightness(target.pixel(0, 2, height / 2)), 0) << amount;
        if (amount > 0.0f && amount < 1.0f) {
            EXPECT_GT(brightness(target.pixel(0, 2, height / 2)),
                      brightness(target.pixel(0, width - 2, height / 2)));
        }
        for (int x = 2; x < width; x += 16) {
            const int picture = brightness(target.pixel(0, x, height / 2));
            const int glow = brightness(target.pixel(1, x, height / 2));
            if ((x + 0.5f) / width < amount) {
                EXPECT_GT(picture, 300) << amount << " filled at x = " << x;
                EXPECT_GT(glow, 150) << amount << " filled part glows at x = " << x;
            } else {
                EXPECT_LT(picture, 150) << amount << " empty at x = " << x;
                EXPECT_EQ(glow, 0) << amount << " empty part does not glow at x = " << x;
            }
        }
    }
}

namespace {

class LensFlareTest : public ScreenPassesTest {
protected:
    void SetUp() override {
        ScreenPassesTest::SetUp();
        // Bloom, spike and ring are red, the two halos green and blue.
        const std::string red = sprite("red", "#ff0000");
        shader = std::make_unique<Shader>(SCREEN_SPACE, "./Shader/lensFlare.vert", "./Shader/lensFlare.frag");
        flare = std::make_unique<LensFlare>(glm::mat4(1.0f), shader.get(), float(width) / float(height),
                                            &camera, width, height, red, red, sprite("green", "#00ff00"),
                                            sprite("blue", "#0000ff"), red);
    }
    void TearDown() override {
        flare.reset();
        ScreenPassesTest::TearDown();
    }
    // Points the camera along the direction (as the camera's own view would) and places the flare.
    void lookAlong(const glm::vec3& direction) {
        camera.viewDirection = glm::normalize(direction);
        const glm::vec3 eye(30.0f, 60.0f, -90.0f);
        view = glm::lookAt(eye, eye + camera.viewDirection, glm::vec3(0.0f, 1.0f, 0.0f));
        flare->updatePositions(view, projection);
    }
    glm::ivec2 pixelOf(const glm::vec2& clip) const {
        return {int((clip.x + 1.0f) * 0.5f * width), int((clip.y + 1.0f) * 0.5f * height)};
    }
    // Where the sun's direction lands on screen, in normalised device coordinates.
    glm::vec2 sunOffset() const {
        const glm::vec4 clip = projection * glm::vec4(glm::mat3(view) * glm::vec3(-0.5f, 0.5f, -1.0f), 1.0f);
        return glm::vec2(clip) / clip.w;
    }
    int litPixels() const {
        const auto all = target.pixels(0);
        int lit = 0;
        for (size_t i = 0; i < all.size(); i += 4)
            lit += all[i] + all[i + 1] + all[i + 2] > 0;
        return lit;
    }
    // A direction the angle away from the sun's, sideways (about the axis) or up and down (about the side).
    static glm::vec3 sunTurnedBy(float degrees, bool sideways = true) {
        const glm::vec3 sun = glm::normalize(glm::vec3(-0.5f, 0.5f, -1.0f));
        const glm::vec3 side = glm::normalize(glm::cross(sun, glm::vec3(0.0f, 1.0f, 0.0f)));
        const glm::vec3 axis = sideways ? glm::cross(side, sun) : side;
        return glm::vec3(glm::rotate(glm::mat4(1.0f), glm::radians(degrees), axis) * glm::vec4(sun, 0.0f));
    }

    Camera camera{15.0f, 1.0f, glm::mat4(1.0f)};
    glm::mat4 view{1.0f};
    std::unique_ptr<Shader> shader;
    std::unique_ptr<LensFlare> flare;
};

} // namespace

TEST_F(LensFlareTest, ElementsLieOnALineThroughTheCentreAndTheGlowSourceIsLeftAlone) {
    lookAlong(sunTurnedBy(30.0f));
    ASSERT_TRUE(flare->sunVisible);
    const glm::vec2 d = sunOffset();
    ASSERT_GT(glm::length(d), 0.3f);
    const glm::ivec2 atSun = pixelOf(d), aside = pixelOf(glm::vec2(-d.y, d.x) * 0.6f);
    const float glowBefore[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    for (const bool blending : {false, true}) {
        if (blending)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
        target.bindAndClear();
        glClearBufferfv(GL_COLOR, 1, glowBefore);
        flare->draw();
        EXPECT_EQ(target.pixel(1, atSun.x, atSun.y), (Rgba{51, 102, 153, 255})) << blending;
    }
    EXPECT_EQ(target.pixel(0, atSun.x, atSun.y)[0], 255) << "bloom, spike and ring at the sun";
    // Each halo pair (green, then blue over it) mirrored through the centre and at 0.3 of the way to the sun.
    for (const glm::ivec2 at : {pixelOf(-d), pixelOf(0.3f * d)}) {
        const auto colour = target.pixel(0, at.x, at.y);
        EXPECT_LT(colour[0], 20) << at.x << ", " << at.y;
        EXPECT_GT(colour[1], 40) << at.x << ", " << at.y;
        EXPECT_GT(colour[2], 100) << at.x << ", " << at.y;
    }
    EXPECT_EQ(target.pixel(0, aside.x, aside.y), (Rgba{0, 0, 0, 0})) << "nothing off the line";
    GLboolean glowWrites[4] = {GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE};
    glGetBooleani_v(GL_COLOR_WRITEMASK, 1, glowWrites);
    EXPECT_TRUE(glowWrites[0] && glowWrites[1] && glowWrites[2] && glowWrites[3]);
    EXPECT_TRUE(depthWrites());
    EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)),
              flare->textures[LensFlare::HALO2]->textureId);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LensFlareTest, HiddenSunHidesTheWholeFlare) {
    // Covered: something nearer than the far plane on the sun's pixel and its neighbours only.
    lookAlong(sunTurnedBy(30.0f));
    target.bindAndClear();
    coverAround(pixelOf(sunOffset()), 1);
    flare->draw();
    EXPECT_EQ(litPixels(), 0) << "covered";
    // Outside the view cone (55 degrees) nothing; inside, sideways, the sun is on screen.
    for (const bool sideways : {true, false}) {
        lookAlong(sunTurnedBy(56.0f, sideways));
        EXPECT_FALSE(flare->sunVisible);
        target.bindAndClear();
        flare->draw();
        EXPECT_EQ(litPixels(), 0);
        lookAlong(sunTurnedBy(54.0f, sideways));
        EXPECT_TRUE(flare->sunVisible);
    }
    lookAlong(sunTurnedBy(54.0f, true));
    target.bindAndClear();
    flare->draw();
    EXPECT_GT(litPixels(), 0);
    // Zoomed in to 60 degrees and looking 50 degrees above the sun: inside the cone, but the sun's pixel is
    // below the window's bottom edge, while the elements near the centre would be on screen.
    projection = glm::perspective(glm::radians(60.0f), float(width) / float(height), 0.1f, 10000.0f);
    lookAlong(sunTurnedBy(50.0f, false));
    ASSERT_TRUE(flare->sunVisible);
    ASSERT_LT(sunOffset().y, -1.0f);
    target.bindAndClear();
    flare->draw();
    EXPECT_EQ(litPixels(), 0) << "off screen";
    // A quarter of a pixel below the edge: cutting the position toward zero would read row 0 instead.
    const float edgeOffset = -1.0f - 0.5f / height;
    const float focal = projection[1][1] * edgeOffset / sunOffset().y;
    projection =
        glm::perspective(2.0f * std::atan(1.0f / focal), float(width) / float(height), 0.1f, 10000.0f);
    lookAlong(sunTurnedBy(50.0f, false));
    ASSERT_NEAR(sunOffset().y, edgeOffset, 1e-4f);
    target.bindAndClear();
    flare->draw();
    EXPECT_EQ(litPixels(), 0) << "just off screen";
    camera.viewDirection = glm::vec3(0.0f); // no view direction yet: no sun
    flare->updatePositions(view, projection);
    EXPECT_FALSE(flare->sunVisible);
}

TEST_F(LensFlareTest, PaintedSunBloomAndProbeCoincideAcrossTheCone) {
    // The game's window, projection, sky and sun direction; a bloom that is a red disc, the rest black.
    constexpr int w = 1280;
    constexpr int h = 720;
    const std::string black = sprite("black", "#000000");
    flare = std::make_unique<LensFlare>(glm::mat4(1.0f), shader.get(), float(w) / float(h), &camera, w, h,
                                        sprite("bloom", "#ff0000"), black, black, black, black);
    projection = perspectiveProjection(fieldOfViewY(1.0f), float(w) / float(h));
    SkyBox sky(projection, "./Textures/skybox/right.jpg", "./Textures/skybox/left.jpg",
               "./Textures/skybox/top.jpg", "./Textures/skybox/bottom.jpg", "./Textures/skybox/back.jpg",
               "./Textures/skybox/front.jpg");
    SceneTarget big(w, h);
    ASSERT_TRUE(big.complete);
    // From straight at the sun to the edges of the picture, sideways and up and down.
    const std::pair<float, bool> turns[] = {{0, true},   {15, true},  {-30, true}, {38, true},
                                            {-42, true}, {12, false}, {-22, false}};
    for (const auto& [degrees, sideways] : turns) {
        SCOPED_TRACE(testing::Message() << degrees << " degrees " << (sideways ? "sideways" : "up"));
        lookAlong(sunTurnedBy(degrees, sideways));
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
        coverAround(glm::ivec2(painted), 2);
        flare->draw();
        const auto all = big.pixels(0);
        EXPECT_EQ(std::count(all.begin(), all.end(), 0), static_cast<long>(all.size())) << "the probe missed";
    }
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LESS) << "the probe puts the depth function back";
    GLboolean colourWrites[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, colourWrites);
    EXPECT_TRUE(colourWrites[0] && colourWrites[1] && colourWrites[2] && colourWrites[3]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
