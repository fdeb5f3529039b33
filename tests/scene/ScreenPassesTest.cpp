// The screen passes (glow, sky, shadow map, overlays, lens flare): the GL state each leaves behind and the
// faults the whole-frame goldens would not show clearly.
#include "render/GlState.h"
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

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

using namespace tavo::scene;

namespace {

using Rgba = std::array<int, 4>;

// Centre of the pixels that pass the test, or (-1, -1) when none does.
template <class Pass> glm::vec2 centreOf(const std::vector<unsigned char>& rgba, int w, Pass&& pass) {
    glm::dvec2 sum(0.0);
    int count = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (pass(&rgba[i]))
            sum += glm::dvec2(i / 4 % w + 0.5, i / 4 / w + 0.5), ++count;
    return count == 0 ? glm::vec2(-1.0f) : glm::vec2(sum / double(count));
}

class ScreenPassesTest : public GlTest {
protected:
    ScreenPassesTest() { glEnable(GL_DEPTH_TEST); } // blending is on, as the game's window opens
    std::string image(const std::string& name, const std::string& arguments) {
        const std::string path = folder + "/" + name + ".png";
        EXPECT_EQ(std::system(("convert " + arguments + " '" + path + "'").c_str()), 0) << name;
        return path;
    }
    // A small disc on black, so every flare element marks its own centre.
    std::string sprite(const std::string& name, const std::string& colour) {
        return image(name, "-size 32x32 xc:black -fill '" + colour +
                               "' -draw 'circle 15.5,15.5 15.5,21.5' -type TrueColor");
    }

    void makeFlare(int w, int h, const std::string& bloom, const std::string& rest) {
        flare = std::make_unique<LensFlare>(glm::mat4(1.0f), &shader, float(w) / float(h), &camera, w, h,
                                            bloom, rest, rest, rest, rest);
    }
    // Points the camera a number of degrees from the sun, sideways or up, and places the flare.
    void lookAway(float degrees, bool sideways = true) {
        const glm::vec3 sun = glm::normalize(glm::vec3(-0.5f, 0.5f, -1.0f));
        const glm::vec3 side = glm::normalize(glm::cross(sun, glm::vec3(0.0f, 1.0f, 0.0f)));
        const glm::vec3 axis = sideways ? glm::cross(side, sun) : side;
        camera.viewDirection =
            glm::vec3(glm::rotate(glm::mat4(1.0f), glm::radians(degrees), axis) * glm::vec4(sun, 0));
        const glm::vec3 eye(30.0f, 60.0f, -90.0f);
        view = glm::lookAt(eye, eye + camera.viewDirection, glm::vec3(0.0f, 1.0f, 0.0f));
        flare->updatePositions(view, projection);
    }
    // Pixels the flare lights in a cleared target; a square of depth nearer than the far plane around the
    // sun's pixel first when asked, as a covering object would leave it.
    int litPixels(const SceneTarget& into, glm::ivec2 cover = {-1, -1}, int reach = 1) {
        into.bindAndClear();
        glEnable(GL_SCISSOR_TEST);
        glScissor(cover.x - reach, cover.y - reach, 2 * reach + 1, 2 * reach + 1);
        glClearDepth(0.999);
        glClear(cover.x >= 0 ? GL_DEPTH_BUFFER_BIT : 0);
        glClearDepth(1.0);
        glDisable(GL_SCISSOR_TEST);
        flare->draw();
        const auto all = into.pixels(0);
        return int(all.size() - std::count(all.begin(), all.end(), 0));
    }

    Camera camera{15.0f, 1.0f, glm::mat4(1.0f)};
    glm::mat4 view{1.0f};
    Shader shader{SCREEN_SPACE, "./Shader/lensFlare.vert", "./Shader/lensFlare.frag"};
    std::unique_ptr<LensFlare> flare;
    const std::string folder = makeTempFolder("passes");
    glm::mat4 projection =
        glm::perspective(glm::radians(90.0f), float(width) / float(height), 0.1f, 10000.0f);
    SceneTarget target{width, height};
};

} // namespace

TEST_F(ScreenPassesTest, PassesLeaveTheStatesTheNextExpectsShadowsFollowTheCameraOverlaysFadeAndFill) {
    Shader ver(SCREEN_SPACE, "./Shader/ver.vert", "./Shader/ver.frag");
    Shader hor(SCREEN_SPACE, "./Shader/hor.vert", "./Shader/hor.frag");
    Shader combine(SCREEN_SPACE, "./Shader/combine.vert", "./Shader/combine.frag");
    Glow glow(glm::mat4(1.0f), width, height, &ver, &hor, &combine);
    glow.setTextureFilter(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
    GlState::setPolygonMode(GL_LINE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
    // A picture and an even glow source, under wireframe: the window shows their sum everywhere, the blur
    // filling its targets and keeping the glow's level (its weights add up to one).
    glBindFramebuffer(GL_FRAMEBUFFER, glow.sceneFramebuffer);
    const float picture[4] = {0.1f, 0.2f, 0.3f, 1.0f}, even[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    glClearBufferfv(GL_COLOR, 0, picture);
    glClearBufferfv(GL_COLOR, 1, even);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glActiveTexture(GL_TEXTURE3);
    glow.draw();
    for (const glm::ivec2 at : {glm::ivec2(80, 135), {160, 90}, {240, 45}}) {
        const auto sum = readRgba(at.x, at.y, 1, 1);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(sum[c], (picture[c] + even[c]) * 255.0f, 2.0f) << at.x << " " << at.y << " " << c;
    }
    float windowDepth = -1.0f; // the combine writes no depth
    glReadPixels(40, 150, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &windowDepth);
    EXPECT_EQ(states({GL_DRAW_FRAMEBUFFER_BINDING, GL_ACTIVE_TEXTURE, GL_BLEND, GL_TEXTURE_BINDING_2D,
                      GL_POLYGON_MODE, GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK}),
              (std::vector<GLint>{0, GL_TEXTURE0, 1, GLint(glow.sceneTexture), GL_LINE, GL_LESS, 1}));
    EXPECT_EQ(windowDepth, 1.0f);
    GlState::setPolygonMode(GL_FILL);

    const std::string grey = image("grey", "-size 8x8 xc:grey");
    SkyBox sky(projection, grey, grey, grey, grey, grey, grey);
    target.bindAndClear();
    glActiveTexture(GL_TEXTURE3);
    sky.draw(glm::lookAt(glm::vec3(0.0f), glm::vec3(0.0f, -0.5f, -0.8660254f), glm::vec3(0.0f, 1.0f, 0.0f)));
    EXPECT_EQ(states({GL_DEPTH_WRITEMASK, GL_DEPTH_FUNC, GL_ACTIVE_TEXTURE}),
              (std::vector<GLint>{1, GL_LESS, GL_TEXTURE0}));

    // The shadow map stays on unit two, and its footprint follows the camera.
    Shader depth(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
    const glm::vec3 sun = glm::normalize(glm::vec3(1.0f, -0.5f, 1.0f)), caster(-40.0f, 20.0f, -40.0f);
    ShadowMap shadowMap(glm::mat4(1.0f), &sun, &depth);
    EXPECT_EQ(states({GL_ACTIVE_TEXTURE, GL_TEXTURE_BINDING_2D}),
              (std::vector<GLint>{GL_TEXTURE2, GLint(shadowMap.depthTexture)}));
    // A caster 3000 units away is out of the sun's footprint, under it in. Sideways the footprint reaches
    // 1000 units: a sphere of 20 at 1010 reaches in, at 1040 its box (28 along that axis) is out. NaN: drawn.
    shadowMap.updateLight({3000.0f, 333.0f, 0.0f});
    std::vector<bool> inLight{shadowMap.sphereInLight(caster, 8.0f)};
    shadowMap.updateLight({0.0f, 333.0f, 0.0f});
    const glm::vec3 side = glm::normalize(glm::vec3(-1.0f, 0.0f, 1.0f));
    const glm::vec3 centre = glm::vec3(glm::inverse(shadowMap.lightView) * glm::vec4(0, 0, -1000, 1));
    for (const auto& [at, radius] : {std::pair{caster, 8.0f},
                                     {centre + 1010.0f * side, 20.0f},
                                     {centre + 1040.0f * side, 20.0f},
                                     {glm::vec3(std::nanf("")), 20.0f}})
        inLight.push_back(shadowMap.sphereInLight(at, radius));
    EXPECT_EQ(inLight, (std::vector<bool>{false, true, true, false, true}));

    // The fade runs down with its glow source.
    Shader fade(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/textureOverlay.frag");
    TextureOverlay overlay(glm::mat4(1.0f), &fade, 1.0f,
                           image("black", "-size 16x16 xc:'#000000ff' -type TrueColorAlpha"));
    overlay.update(3.0f, nullptr);
    target.bindAndClear(1.0f, 1.0f, 1.0f, 1.0f);
    overlay.draw();
    EXPECT_EQ(target.pixel(1, width / 2, height / 2)[0], 0) << "the glow source fades too";
    EXPECT_EQ(states({GL_DEPTH_WRITEMASK}), std::vector<GLint>{1});

    // The aircraft's boost gauge: its bar is drawn with the overlay's vertex program and quad.
    Shader gauge(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/boost.frag");
    TextureOverlay bar(glm::mat4(1.0f), &gauge, 1.0f,
                       image("white", "-size 16x16 xc:'#ffffffff' -type TrueColorAlpha"));
    for (const float amount : {-0.5f, 0.0f, 0.3f, 0.75f, 1.0f}) {
        glUseProgram(gauge.programId);
        glUniform1f(glGetUniformLocation(gauge.programId, "amount"), amount);
        target.bindAndClear(0.0f, 0.0f, 0.0f, 1.0f);
        bar.draw();
        // Dim where empty but drawn, bright and glowing where filled.
        for (int x = 2; x < width; x += 16) {
            const bool filled = (x + 0.5f) / width < amount;
            const Rgba c = target.pixel(0, x, height / 2), g = target.pixel(1, x, height / 2);
            const int picture = c[0] + c[1] + c[2], glowing = g[0] + g[1] + g[2];
            EXPECT_EQ(
                std::make_tuple(picture > (filled ? 300 : 150), glowing > (filled ? 150 : 0), picture > 0),
                std::make_tuple(filled, filled, true))
                << amount << " at x = " << x;
        }
    }
}

TEST_F(ScreenPassesTest, HiddenSunHidesTheWholeFlareAndBloomAndProbeMeetThePaintedSun) {
    const std::string red = sprite("red", "#ff0000");
    makeFlare(width, height, red, red);
    // Outside the view cone (55 degrees) nothing; inside, the sun is on screen.
    std::vector<std::pair<bool, bool>> seen;
    for (const float degrees : {56.0f, 54.0f})
        lookAway(degrees), seen.emplace_back(flare->sunVisible, litPixels(target) > 0);
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{false, false}, {true, true}}));
    // Zoomed in to 60 degrees and looking 50 degrees above the sun: inside the cone, but the sun's pixel is
    // below the window's bottom edge, while the elements near the centre would be on screen.
    projection = glm::perspective(glm::radians(60.0f), float(width) / float(height), 0.1f, 10000.0f);
    lookAway(50.0f, false);
    const glm::vec4 sun = projection * glm::vec4(glm::mat3(view) * glm::vec3(-0.5f, 0.5f, -1.0f), 1.0f);
    ASSERT_TRUE(flare->sunVisible && sun.y / sun.w < -1.0f);
    EXPECT_EQ(litPixels(target), 0) << "off screen";
    camera.viewDirection = glm::vec3(0.0f); // no view direction yet: no sun
    flare->updatePositions(view, projection);
    EXPECT_FALSE(flare->sunVisible);

    // The game's window, projection, sky and sun direction; a bloom that is a red disc, the rest black.
    constexpr int w = 1280, h = 720;
    makeFlare(w, h, red, sprite("black", "#000000"));
    projection = perspectiveProjection(fieldOfViewY(1.0f), float(w) / float(h));
    const std::string sky = "./Textures/skybox/";
    SkyBox skyBox(projection, sky + "right.jpg", sky + "left.jpg", sky + "top.jpg", sky + "bottom.jpg",
                  sky + "back.jpg", sky + "front.jpg");
    SceneTarget big(w, h);
    const float glowBefore[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    // From straight at the sun to the edges of the picture, sideways and up and down.
    const std::pair<float, bool> turns[] = {{0, true},   {15, true},  {-30, true}, {38, true},
                                            {-42, true}, {12, false}, {-22, false}};
    for (const auto& [degrees, sideways] : turns) {
        SCOPED_TRACE(testing::Message() << degrees << " degrees " << (sideways ? "sideways" : "up"));
        lookAway(degrees, sideways);
        ASSERT_TRUE(flare->sunVisible);
        big.bindAndClear();
        skyBox.draw(view);
        // The disc is (1, 1, 0.95); its halo saturates blue first, red and green only on the disc.
        const glm::vec2 painted = centreOf(big.pixels(0), w, [](const unsigned char* p) {
            return p[0] >= 250 && p[1] >= 250 && p[2] < 250;
        });
        ASSERT_GE(painted.x, 0.0f) << "no sun painted in the picture";
        big.bindAndClear();
        glClearBufferfv(GL_COLOR, 1, glowBefore);
        flare->draw();
        EXPECT_EQ(big.pixel(1, int(painted.x), int(painted.y)), (Rgba{51, 102, 153, 255})) << "glow kept";
        const glm::vec2 bloom = centreOf(big.pixels(0), w, [](const unsigned char* p) { return p[0] > 128; });
        EXPECT_LT(glm::length(bloom - painted), 2.0f) << bloom.x << ", " << bloom.y << " vs " << painted.x;
        EXPECT_EQ(litPixels(big, glm::ivec2(painted), 2), 0) << "the probe is over 2 pixels off the sun";
    }
    GLboolean masks[8] = {}; // the probe puts back both targets' colour masks and the depth state
    glGetBooleani_v(GL_COLOR_WRITEMASK, 0, masks);
    glGetBooleani_v(GL_COLOR_WRITEMASK, 1, masks + 4);
    EXPECT_EQ(std::vector<int>(masks, masks + 8), std::vector<int>(8, GL_TRUE));
    EXPECT_EQ(states({GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK}), (std::vector<GLint>{GL_LESS, 1}));
}
