// Whole frames of the real scene at fixed frame times along a scripted path against tests/golden/ (renew with
// WINDLAP_RENEW_GOLDEN=1 ctest -R FrameGolden): every HUD line (text, place, colour), the HUD's pixels, and
// 640 x 360 frames (stored at a quarter size) of the chase view, the sun with its flare and the end screen.
#include "app/FrameSteps.h"
#include "app/GameLoop.h"
#include "app/GameState.h"
#include "app/HudText.h"
#include "app/Resolution.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "scene/FlightModel.h"
#include "scene/InputState.h"
#include "support/GlContext.h"
#include "support/Image.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using tavo::util::PhysxHandler;

const std::string goldenFolder = std::string(WINDLAP_SOURCE_DIR) + "/tests/golden/";
const std::string shotFolder = std::string(WINDLAP_RUN_DIR) + "/../test-shots/golden/";
const bool renewing =
    std::getenv("WINDLAP_RENEW_GOLDEN") && std::getenv("WINDLAP_RENEW_GOLDEN") == std::string("1");

// The bound read frame buffer from (x0, y0) at the lower left, top row first, a pixel per f x f block's mean.
Image readFramebuffer(int x0, int y0, int w, int h, int f = 1) {
    const std::vector<unsigned char> rgba = readRgba(x0, y0, w, h);
    Image image{w / f, h / f, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int k = 0; k < f * f; ++k)
                    sum += rgba[(static_cast<size_t>(h - 1 - y * f - k / f) * w + x * f + k % f) * 4 + c];
                image.rgb.push_back(static_cast<std::uint8_t>((sum + f * f / 2) / (f * f)));
            }
    return image;
}

// The tolerance (a channel's largest difference that still counts as equal, the pixels allowed beyond it)
// covers llvmpipe's last bits. Scene frames are stored at 16 levels a channel (a few kilobytes), the HUD's
// white text as grey (its colour is hud-lines.txt's). A mismatch leaves the frame and a difference image (red
// where a channel is off) in <build>/test-shots/golden/.
void expectGolden(const std::string& name, const Image& frame, int perChannel, int outlierPixels,
                  bool posterize) {
    const std::string golden = goldenFolder + name + ".png";
    Image stored = frame, difference = frame;
    for (std::uint8_t& v : stored.rgb)
        v = posterize ? static_cast<std::uint8_t>((v & 0xF0) | 0x08) : v;
    if (renewing) { // ImageMagick packs the file tighter than DevIL does
        EXPECT_TRUE(
            stored.save(golden, !posterize) &&
            std::system(("convert '" + golden + "' -strip -define png:compression-level=9 '" + golden + "'")
                            .c_str()) == 0)
            << "cannot write " << golden;
        return;
    }
    const Image expected = Image::load(golden);
    ASSERT_TRUE(expected.width == frame.width && expected.height == frame.height)
        << golden << " missing or of another size (WINDLAP_RENEW_GOLDEN=1)";
    // A posterized golden stands for the middle of each level: half a level more is still equal.
    const int allowed = perChannel + (posterize ? 8 : 0);
    int outliers = 0;
    for (size_t p = 0; p < frame.rgb.size(); p += 3) {
        int off = 0;
        for (size_t c = 0; c < 3; ++c)
            off = std::max(off, std::abs(int(frame.rgb[p + c]) - int(expected.rgb[p + c])));
        outliers += off > allowed;
        difference.rgb[p] = off > allowed ? 255 : frame.rgb[p] / 4;
        difference.rgb[p + 1] = difference.rgb[p + 2] = off > allowed ? 0 : frame.rgb[p + 1] / 4;
    }
    if (outliers <= outlierPixels)
        return;
    std::filesystem::create_directories(shotFolder);
    frame.save(shotFolder + name + ".png");
    difference.save(shotFolder + name + "-diff.png");
    ADD_FAILURE() << name << ": " << outliers << " pixels differ by more than " << allowed << ", "
                  << outlierPixels << " allowed; see " << shotFolder;
}

class FrameGoldenTest : public testing::Test {
protected:
    // The game's own scene in a hidden window of the size asked for.
    void assemble(int w, int h) {
        window = openGameWindow(w, h);
        resetGameState();
        xResolution = w, yResolution = h;
        assembleScene(window);
        ASSERT_TRUE(physxHandler && plane && ring && boost && hat);
    }
    void TearDown() override {
        if (window)
            teardownScene();
        glfwDestroyWindow(window);
        glfwTerminate();
        resetGameState();
    }
    // Rings and pickups land where the clock says: they go upright to fixed places ahead of the jet instead.
    void placeObjects() {
        const glm::vec3 jet = PhysxHandler::getGlobalPosition(physxHandler->planeActor);
        const glm::vec3 forward =
            tavo::scene::forwardAxis(PhysxHandler::getGlobalRotation(physxHandler->planeActor));
        const glm::vec3 side = glm::normalize(glm::cross(forward, glm::vec3(0, 1, 0)));
        const float up = 1.5707964f; // a quarter turn about x, the scale kept
        const std::tuple<btRigidBody*, glm::mat4*, glm::vec3, float> places[] = {
            {physxHandler->ringActor, &ring->modelMatrix, jet + forward * 110.0f + glm::vec3(0, 4, 0), up},
            {physxHandler->boostActor, &boost->modelMatrix, jet + forward * 70.0f + side * 14.0f, -up},
            {physxHandler->hatActor, &hat->modelMatrix, jet + forward * 60.0f - side * 12.0f, -up}};
        for (const auto& [actor, model, at, quarter] : places) {
            const glm::vec3 scale(glm::length((*model)[0]), glm::length((*model)[1]),
                                  glm::length((*model)[2]));
            *model = glm::rotate(glm::translate(glm::mat4(1.0f), at), quarter, glm::vec3(1, 0, 0)) *
                     glm::scale(glm::mat4(1.0f), scale);
            physxHandler->setGlobalPose(actor, at);
        }
    }
    void frames(int count, float dt) {
        for (int i = 0; i < count; ++i) {
            updateWorld(window, dt);
            renderFrame(dt);
        }
    }
    // At a quarter size: small files, and the last bits that differ between processors average out.
    Image windowPicture() const {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        return readFramebuffer(0, 0, xResolution, yResolution, 4);
    }
    // The HUD alone in the cleared scene target, around the score line near the top right corner.
    Image hudPicture(float dt) const {
        glBindFramebuffer(GL_FRAMEBUFFER, glow->sceneFramebuffer);
        glViewport(0, 0, xResolution, yResolution);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawHud(dt);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, glow->sceneFramebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        return readFramebuffer(xResolution - 270, yResolution - 110, 250, 50);
    }
    GLFWwindow* window = nullptr;
};

std::string hudLines;
void recordHudLine(const char* line, float x, float y, const glm::vec4& c) {
    char row[160];
    std::snprintf(row, sizeof row, "%7.1f %6.1f  %.2f %.2f %.2f %.2f  %s\n", x, y, c.r, c.g, c.b, c.a, line);
    hudLines += row;
}

TEST_F(FrameGoldenTest, HudTextsStandExactlyInEveryState) {
    assemble(1280, 720);
    InputState& input = *sharedInput;
    score = 120;
    gameTimeLeft = 65.9f;
    expectGolden("hud-playing", hudPicture(0.02f), 24, 12, false);

    hudLines.clear();
    hudLineListener = recordHudLine;
    const auto state = [](const char* name) {
        hudLines += std::string("# ") + name + "\n";
        drawHud(0.02f);
    };
    const auto setTimers = [](float v) {
        frameTimeMessageTimer = wireframeMessageTimer = samplingMessageTimer = v;
        mipmapMessageTimer = cullingMessageTimer = transparencyMessageTimer = v;
    };
    drawnVertexCount = 123456;
    input.showHelp = input.showFrameTime = 1;
    state("help page and frame time");
    input.showHelp = input.showFrameTime = 0;
    setTimers(2.0f);
    state("every notice, switches at their start values");
    setTimers(1.0f);
    input.wireframe = input.mipmapMode = 1;
    input.bilinearSampling = input.culling = input.transparency = 0;
    state("every notice half faded, switches turned");
    setTimers(0.0f);
    mipmapMessageTimer = 2.0f;
    input.mipmapMode = 0;
    state("mipmapping off");
    mipmapMessageTimer = 0.0f;
    gameOver = true;
    state("game over");
    hudLineListener = nullptr;
    const std::string golden = goldenFolder + "hud-lines.txt";
    if (renewing)
        std::ofstream(golden) << hudLines;
    std::ifstream file(golden);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), hudLines)
        << "differs from " << golden << " (WINDLAP_RENEW_GOLDEN=1 after an intended change)";
}

TEST_F(FrameGoldenTest, ChaseViewWireframeSunViewAndEndScreen) {
    assemble(640, 360);
    placeObjects();
    frames(20, 1.0f / 30.0f);
    const Image chase = windowPicture();
    expectGolden("scene-chase", chase, 16, 40, true);

    // F3 draws the same frame as lines, the sky between them; F3 again fills it as it was.
    InputState& input = *sharedInput;
    for (const std::uint8_t on : {1, 0}) {
        input.wireframe = on, input.wireframeHeld = 1;
        applyDebugSwitches(input);
        input.wireframeHeld = 0;
        wireframeMessageTimer = 0.0f; // its notice is the HUD's
        renderFrame(0.0f);            // nothing moves
        const Image picture = windowPicture();
        int changed = 0;
        for (size_t p = 0; p < picture.rgb.size(); ++p)
            changed += std::abs(int(picture.rgb[p]) - int(chase.rgb[p])) > 24;
        EXPECT_TRUE(on ? changed > int(chase.rgb.size() / 10) : changed < 40) << int(on) << ": " << changed;
    }

    // The orbit camera looking at the jet from the sun's side, the sun a little beside it.
    const glm::vec3 toSun = -sunLight->direction;
    camera->mode = 2;
    camera->applyInput(std::atan2(-toSun.x, -toSun.z) * 100.0 + 22.0, std::asin(-toSun.y) * 100.0 - 10.0);
    viewMatrix = camera->computeView(plane->modelMatrix, 0.0f);
    viewFrustum->setCamera(camera->position, glm::vec3(plane->modelMatrix[3]), camera->up);
    shadowMap->updateLight(camera->position);
    lensFlare->updatePositions(viewMatrix, projectionMatrix);
    ASSERT_TRUE(lensFlare->sunVisible);
    renderFrame(1.0f / 30.0f);
    expectGolden("scene-sun", windowPicture(), 16, 40, true);

    // A crash: the camera rises for two seconds, then the fade runs down over the prize picture.
    camera->mode = 0;
    physxHandler->planeCrashed = true;
    frames(30, 0.1f);
    EXPECT_TRUE(gameOver);
    expectGolden("scene-end", windowPicture(), 16, 40, true);
}

// The notices' stacking and fading, and the minutes and seconds of 01:05, are hud-lines.txt's.
TEST(HudTextTest, PlayTimeIsPaddedAndTruncatedAndFramesPerSecondChangeOncePerWindow) {
    for (const auto& [seconds, shown] : {std::pair{9.0f, "00:09"}, {600.0f, "10:00"}, {-0.01f, "00:00"}}) {
        char text[32];
        formatPlayTime(text, sizeof text, seconds);
        EXPECT_STREQ(text, shown) << seconds;
    }
    FpsCounter counter;
    std::vector<int> shown;
    for (const float frameTime : {0.5f, 0.5f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f})
        shown.push_back(counter.tick(frameTime));
    EXPECT_EQ(shown, (std::vector{0, 0, 2, 2, 2, 2, 2, 4}));
}

} // namespace
