// The assembled scene at fixed frame times; its HUD lines and quarter-size 640 x 360 frames against
// tests/golden/ (renew: WINDLAP_RENEW_GOLDEN=1 ctest -R AssembledScene). Also the loop's pure steps.
#include "app/EngineTone.h"
#include "app/FrameSteps.h"
#include "app/GameLoop.h"
#include "app/GameState.h"
#include "app/HudText.h"
#include "app/Resolution.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "app/WaveFile.h"
#include "render/GlState.h"
#include "scene/FlightModel.h"
#include "scene/InputState.h"
#include "scene/Placement.h"
#include "support/GlContext.h"
#include "support/Image.h"
#include "support/PlaceAhead.h"
#include "support/SoundRecording.h"
#include "util/Platform.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using tavo::util::PhysxHandler;

const std::string goldenFolder = std::string(WINDLAP_SOURCE_DIR) + "/tests/golden/";
const std::string shotFolder = std::string(WINDLAP_RUN_DIR) + "/../test-shots/golden/";
const bool renewing =
    std::getenv("WINDLAP_RENEW_GOLDEN") && std::getenv("WINDLAP_RENEW_GOLDEN") == std::string("1");

// The window, top row first, a pixel per 4 x 4 block's mean: small files, processors' last bits averaged out.
Image windowPicture() {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    const int w = xResolution, h = yResolution;
    const std::vector<unsigned char> rgba = readRgba(0, 0, w, h);
    Image image{w / 4, h / 4, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0, sum = 0; c < 3; ++c, sum = 0) {
                for (int k = 0; k < 16; ++k)
                    sum += rgba[(size_t(h - 1 - y * 4 - k / 4) * w + x * 4 + k % 4) * 4 + c];
                image.rgb.push_back(static_cast<std::uint8_t>((sum + 8) / 16));
            }
    return image;
}

// Stored at 16 levels a channel; a channel may differ by 16 beyond the level's middle, 40 pixels by more
// (llvmpipe's last bits). A mismatch leaves the frame and a difference (red) in <build>/test-shots/golden/.
void expectGolden(const std::string& name, const Image& frame) {
    const std::string golden = goldenFolder + name + ".png";
    Image stored = frame, difference = frame;
    for (std::uint8_t& v : stored.rgb)
        v = static_cast<std::uint8_t>((v & 0xF0) | 0x08);
    if (renewing) { // ImageMagick packs the file tighter than DevIL does
        const auto pack = "convert '" + golden + "' -strip -define png:compression-level=9 '" + golden + "'";
        EXPECT_TRUE(stored.save(golden) && std::system(pack.c_str()) == 0) << "cannot write " << golden;
        return;
    }
    const Image expected = Image::load(golden);
    ASSERT_EQ(std::pair(expected.width, expected.height), std::pair(frame.width, frame.height)) << golden;
    constexpr int allowed = 16 + 8, outliersAllowed = 40; // 8: a stored level stands for its middle
    int outliers = 0;
    for (size_t p = 0; p < frame.rgb.size(); p += 3) {
        int off = 0;
        for (size_t c = 0; c < 3; ++c)
            off = std::max(off, std::abs(int(frame.rgb[p + c]) - int(expected.rgb[p + c])));
        outliers += off > allowed;
        difference.rgb[p] = off > allowed ? 255 : frame.rgb[p] / 4;
        difference.rgb[p + 1] = difference.rgb[p + 2] = off > allowed ? 0 : frame.rgb[p + 1] / 4;
    }
    if (outliers <= outliersAllowed)
        return;
    std::filesystem::create_directories(shotFolder);
    frame.save(shotFolder + name + ".png");
    difference.save(shotFolder + name + "-diff.png");
    ADD_FAILURE() << name << ": " << outliers << " pixels off; see " << shotFolder;
}

class AssembledScene : public testing::Test {
protected:
    // The game's own scene in its window of the size asked for, its sound recorded. A high jet flies far
    // above where rings and pickups land, so that only the test raises events.
    void assemble(int w, int h, bool high = false) {
        unsetenv("ALSOFT_DRIVERS");
        setenv(recording.environment().first.c_str(), recording.environment().second.c_str(), 1);
        window = openGameWindow(w, h);
        resetGameState();
        xResolution = w, yResolution = h;
        assembleScene(window);
        ASSERT_TRUE(physxHandler && plane && ring && boost && hat);
        if (high)
            physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, 300.0f, 0.0f));
    }
    void frame(float dt = 1.0f / 30.0f) { updateWorld(window, dt); }
    void TearDown() override {
        if (window)
            teardownScene();
        glfwDestroyWindow(window);
        glfwTerminate();
        resetGameState();
    }
    void frames(int count, float dt) {
        for (int i = 0; i < count; ++i)
            updateWorld(window, dt), renderFrame(dt);
    }
    void loopFrame(double gap = 1.0 / 60.0) {
        double previous = glfwGetTime() - gap;
        runFrame(window, previous);
    }
    static glm::vec3 at(const btRigidBody* actor) { return PhysxHandler::getGlobalPosition(actor); }
    GLFWwindow* window = nullptr;
    static inline const SoundRecording recording{makeTempFolder("windlap-scene")}; // OpenAL reads it once
};

std::string hudLines;

TEST_F(AssembledScene, HudTextsStandExactlyInEveryState) {
    assemble(1280, 720);
    InputState& input = *sharedInput;
    score = 120;
    gameTimeLeft = 65.9f;
    hudLines.clear();
    hudLineListener = [](const char* line, float x, float y, const glm::vec4& c) {
        char row[160];
        std::snprintf(row, sizeof row, "%7.1f %6.1f  %.2f %.2f %.2f %.2f  %s\n", x, y, c.r, c.g, c.b, c.a,
                      line);
        hudLines += row;
    };
    const auto state = [](const char* name, float timers, float mipmapTimer) {
        frameTimeMessageTimer = wireframeMessageTimer = samplingMessageTimer = timers;
        cullingMessageTimer = transparencyMessageTimer = timers;
        mipmapMessageTimer = mipmapTimer;
        hudLines += std::string("# ") + name + "\n";
        drawHud(0.02f);
    };
    drawnVertexCount = 123456;
    input.showHelp = input.showFrameTime = 1;
    state("help page and frame time", 0.0f, 0.0f);
    input.showHelp = input.showFrameTime = 0;
    state("every notice, switches at their start values", 2.0f, 2.0f);
    input.wireframe = input.mipmapMode = input.showFrameTime = 1;
    input.bilinearSampling = input.culling = input.transparency = 0;
    state("every notice half faded, switches turned", 1.0f, 1.0f);
    input.mipmapMode = input.showFrameTime = 0;
    state("mipmapping off", 0.0f, 2.0f);
    gameOver = true;
    state("game over", 0.0f, 0.0f);
    hudLineListener = nullptr;
    const std::string golden = goldenFolder + "hud-lines.txt";
    if (renewing)
        std::ofstream(golden) << hudLines;
    std::ifstream file(golden);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), hudLines) << golden;
}

TEST_F(AssembledScene, ChaseViewWireframeSunViewAndEndScreen) {
    assemble(640, 360);
    // Rings and pickups land where the clock says: they go upright to fixed places ahead of the jet instead.
    const glm::vec3 jet = at(physxHandler->planeActor);
    const glm::vec3 forward =
        tavo::scene::forwardAxis(PhysxHandler::getGlobalRotation(physxHandler->planeActor));
    const glm::vec3 side = glm::normalize(glm::cross(forward, glm::vec3(0, 1, 0)));
    const float up = 1.5707964f; // a quarter turn about x, the scale kept
    const std::tuple<btRigidBody*, glm::mat4*, glm::vec3, float> places[] = {
        {physxHandler->ringActor, &ring->modelMatrix, jet + forward * 110.0f + glm::vec3(0, 4, 0), up},
        {physxHandler->boostActor, &boost->modelMatrix, jet + forward * 70.0f + side * 14.0f, -up},
        {physxHandler->hatActor, &hat->modelMatrix, jet + forward * 60.0f - side * 12.0f, -up}};
    for (const auto& [actor, model, place, quarter] : places) {
        const glm::vec3 scale(glm::length((*model)[0]), glm::length((*model)[1]), glm::length((*model)[2]));
        *model = glm::rotate(glm::translate(glm::mat4(1.0f), place), quarter, glm::vec3(1, 0, 0)) *
                 glm::scale(glm::mat4(1.0f), scale);
        physxHandler->setGlobalPose(actor, place);
    }
    frames(20, 1.0f / 30.0f);
    const Image chase = windowPicture();
    expectGolden("scene-chase", chase);

    // F3 draws the same frame as lines, the sky between them; F3 again fills it as it was.
    for (const std::uint8_t on : {1, 0}) {
        sharedInput->wireframe = on, sharedInput->wireframeHeld = 1;
        applyDebugSwitches(*sharedInput);
        sharedInput->wireframeHeld = 0;
        wireframeMessageTimer = 0.0f; // its notice is the HUD's
        renderFrame(0.0f);            // nothing moves
        const Image picture = windowPicture();
        int changed = 0;
        for (size_t p = 0; p < picture.rgb.size(); ++p)
            changed += std::abs(int(picture.rgb[p]) - int(chase.rgb[p])) > 24;
        EXPECT_TRUE(on ? changed > int(chase.rgb.size() / 10) : changed < 40) << int(on) << ": " << changed;
    }

    // The orbit camera looking at the jet from the sun's side, the sun a little beside it (the cursor's
    // travel beyond the orbit's top or bottom so far taken off).
    const glm::vec3 toSun = -sunLight->direction;
    camera->mode = 2;
    camera->applyInput(std::atan2(-toSun.x, -toSun.z) * 100.0 + 22.0,
                       (std::asin(-toSun.y) - 0.1 + camera->pitchSlack) * 100.0);
    viewMatrix = camera->computeView(plane->modelMatrix, 0.0f);
    viewFrustum->setCamera(camera->position, glm::vec3(plane->modelMatrix[3]), camera->up);
    shadowMap->updateLight(camera->position);
    lensFlare->updatePositions(viewMatrix, projectionMatrix);
    ASSERT_TRUE(lensFlare->sunVisible);
    renderFrame(1.0f / 30.0f);
    expectGolden("scene-sun", windowPicture());

    // A crash: the camera rises for two seconds, then the fade runs down over the prize picture.
    camera->mode = 0;
    physxHandler->planeCrashed = true;
    frames(30, 0.1f);
    EXPECT_TRUE(gameOver);
    expectGolden("scene-end", windowPicture());
}

// Culling; F4, F5, F9 and F3 reach the textures' filters, blending and polygon mode; the ring lands where the
// UTC clock and the random words say; detail follows the jet's distance; a loop frame advances by its gap;
// the boost widens only with a reserve; then events, the clock running out, a crash, its end, the teardown.
TEST_F(AssembledScene, CullingSwitchesClockDetailLoopFramesEventsEndAndTeardown) {
    assemble(320, 180, true);
    sharedInput->showFrameTime = 1;
    frame();
    renderMainPass();
    const unsigned int culled = drawnVertexCount;
    sharedInput->culling = 0;
    renderMainPass();
    EXPECT_TRUE(culled > 0u && drawnVertexCount > culled) << culled;
    EXPECT_GE(drawnVertexCount, 135000u) << "the nine pieces' 45,000 triangles";

    InputState input;
    input.samplingHeld = input.transparencyHeld = input.wireframeHeld = 1;
    // The last two have no mipmaps to take the minification filter from: they follow magnification.
    const std::vector<GLuint> textures({plane->diffuseTexture->textureId, fadeOverlay->texture->textureId,
                                        prizeOverlay->texture->textureId, lensFlare->textures[0]->textureId,
                                        glow->glowTexture, glow->sceneTexture, shadowMap->depthTexture});
    const GLint filters[][2] = {{GL_NEAREST, GL_LINEAR}, // mipmapping off, nearest or bilinear
                                {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST},
                                {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
    for (int row = 0; row < 6; ++row) {
        const bool on = row > 2; // F9 and F3
        input.mipmapMode = row / 2, input.bilinearSampling = row % 2;
        input.transparency = input.wireframe = on;
        applyDebugSwitches(input);
        EXPECT_EQ(states({GL_BLEND, GL_POLYGON_MODE}), (std::vector<GLint>{on, on ? GL_LINE : GL_FILL}));
        for (size_t i = 0; i < textures.size(); ++i) {
            GLint min = 0, mag = 0;
            glBindTexture(GL_TEXTURE_2D, textures[i]);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
            EXPECT_EQ(std::pair(min, mag),
                      std::pair(filters[i < 5 ? row / 2 : 0][row % 2], filters[0][row % 2]))
                << "mode " << row / 2 << ", bilinear " << row % 2 << ", texture " << i;
        }
    }
    GlState::setPolygonMode(GL_FILL);

    for (int tries = 0; tries < 3; ++tries) {
        int second = 0, millisecond = 0;
        timespec before{}, after{};
        std::srand(5);
        const std::uint32_t heightWord = tavo::scene::randomWord(), turnWord = tavo::scene::randomWord();
        do { // until the clock and the placement fall within one millisecond of the system's clock
            std::srand(5);
            timespec_get(&before, TIME_UTC);
            tavo::util::utcSecondAndMillisecond(second, millisecond);
            ring->reposition();
            timespec_get(&after, TIME_UTC);
        } while (before.tv_sec != after.tv_sec || before.tv_nsec / 1000000 != after.tv_nsec / 1000000);
        EXPECT_EQ(std::pair(second, millisecond),
                  std::pair(int(before.tv_sec % 60), int(before.tv_nsec / 1000000)));
        const auto p = tavo::scene::computePlacement(second, millisecond, heightWord, turnWord);
        EXPECT_LT(glm::distance(at(physxHandler->ringActor), glm::vec3(p.a, -p.h, p.b)), 1e-2f);
        std::this_thread::sleep_for(337ms);
    }

    // Just inside and just outside each threshold, measured from the jet (the camera is 15 behind it).
    const std::tuple<float, std::vector<int>> rows[] = {{93.0f, {0, boost->canLowMesh, hat->hatHighMesh}},
                                                        {107.0f, {1, boost->canMesh, hat->hatHighMesh}},
                                                        {193.0f, {1, boost->canMesh, hat->hatHighMesh}},
                                                        {207.0f, {1, boost->canMesh, hat->hatLowMesh}},
                                                        {307.0f, {2, boost->canMesh, hat->hatLowMesh}}};
    for (const auto& [distance, expected] : rows) {
        placeAheadOfJet(physxHandler->ringActor, ring->modelMatrix, distance);
        placeAheadOfJet(physxHandler->boostActor, boost->modelMatrix, distance);
        placeAheadOfJet(physxHandler->hatActor, hat->modelMatrix, distance);
        frame();
        EXPECT_EQ((std::vector<int>{int(ring->currentLevel), boost->currentCan, hat->currentMesh}), expected)
            << distance;
    }

    const auto advance = [&](double gap) {
        const glm::vec3 before = at(physxHandler->planeActor);
        const float clock = gameTimeLeft;
        loopFrame(gap);
        return glm::vec2(glm::distance(before, at(physxHandler->planeActor)), clock - gameTimeLeft);
    };
    frame(), frame(); // under way
    const glm::vec2 none = advance(0.0), fifth = advance(0.2);
    EXPECT_TRUE(none.x < 0.05f * fifth.x && none.y < 0.01f && std::abs(fifth.y - 0.2f) < 0.02f)
        << none.x << " " << fifth.x << " " << fifth.y;

    for (const float reserve : {0.0f, 5.0f}) {
        plane->boostReserve = reserve;
        for (int i = 0; i < 10; ++i) {
            sharedInput->boostButton = 1;
            advanceFrame(window, 1.0f / 30.0f);
        }
        EXPECT_EQ(zoomFactor > 1.0f, reserve > 0.0f) << reserve;
    }

    const glm::vec3 ringWas = at(physxHandler->ringActor);
    plane->boostReserve = 3.0f;
    physxHandler->ringPassed = physxHandler->boostCollected = physxHandler->hatCollected = true;
    frame();
    EXPECT_TRUE(score == 120 && plane->boostReserve == 5.0f) << score << " " << plane->boostReserve;
    EXPECT_NE(at(physxHandler->ringActor), ringWas);
    EXPECT_FALSE(tavo::scene::terrainAbove(*physxHandler, physxHandler->ringActor) ||
                 tavo::scene::terrainAbove(*physxHandler, physxHandler->boostActor))
        << "moved clear";
    EXPECT_TRUE(hat->collected && plane->wearsHat && physxHandler->hatActor == nullptr);
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_FALSE(score != 120 || physxHandler->boostCollected || physxHandler->ringPassed) << score;

    gameOver = true; // the clock ran out: no crash, no gravity
    frame(0.5f);
    EXPECT_FALSE(plane->crashed || physxHandler->gravityEnabled(physxHandler->planeActor));
    resetGameState();
    physxHandler->planeCrashed = true;
    for (int i = 0; i < 4; ++i)
        frame(0.5f);
    EXPECT_TRUE(gameOver && plane->crashed && endSequenceTimer <= 0.0f && fadeOverlay->remaining == 2.0f);
    const glm::mat4 frozen[] = {plane->modelMatrix, viewMatrix, ring->modelMatrix};
    frame(0.5f), frame(0.5f);
    EXPECT_TRUE(plane->modelMatrix == frozen[0] && viewMatrix == frozen[1] && ring->modelMatrix == frozen[2]);
    EXPECT_EQ(glm::vec2(fadeOverlay->remaining, prizeOverlay->remaining), glm::vec2(1.0f));

    for (const GLuint framebuffer :
         {glow->sceneFramebuffer, glow->verFramebuffer, glow->horFramebuffer, shadowMap->framebuffer}) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE)) << framebuffer;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLuint highest = glow->sceneTexture + 512;
    teardownScene();
    resetGameState();
    for (GLuint name = 1; name < highest; ++name)
        EXPECT_FALSE(glIsBuffer(name) || glIsTexture(name) || glIsVertexArray(name) ||
                     glIsFramebuffer(name) || glIsRenderbuffer(name) || glIsProgram(name) || glIsShader(name))
            << "GL name " << name << " is still alive";
    EXPECT_EQ(sharedInput, nullptr);
}

// Per tenth of a second (the recording runs on the clock), each event's cue 1.5 s apart: the ring's E, the
// hat's G, the can's whoosh (noise through 1.5 to 1.9 kHz, where no chime has a partial), the crash's 4.5 kHz
// crackle. In that order each rises tenfold over the first second's engine alone; the others stay low there.
TEST_F(AssembledScene, EveryEventSoundsItsOwnCue) {
    assemble(320, 180, true);
    const auto play = [&] {
        for (const double end = glfwGetTime() + 1.5; glfwGetTime() < end;)
            loopFrame();
    };
    const auto playThenFly = [&](btRigidBody* actor, glm::mat4& modelMatrix, const auto& done) {
        play();
        for (int i = 0; i < 120 && !done(); ++i)
            placeAheadOfJet(actor, modelMatrix, 5.0f), loopFrame();
        return done();
    };
    const int before = score;
    ASSERT_TRUE(playThenFly(physxHandler->ringActor, ring->modelMatrix, [&] { return score != before; }));
    ASSERT_TRUE(playThenFly(physxHandler->hatActor, hat->modelMatrix, [&] { return hat->collected; }));
    plane->boostReserve = 1.0f;
    ASSERT_TRUE(playThenFly(physxHandler->boostActor, boost->modelMatrix,
                            [&] { return plane->boostReserve == 5.0f; }));
    ASSERT_TRUE(playThenFly(physxHandler->planeActor, plane->modelMatrix, [&] {
        physxHandler->planeCrashed = true;
        return plane->crashed;
    }));
    play();
    teardownScene();
    const std::vector<float> samples = recording.samples();
    const size_t tenth = SoundRecording::recordingRate / 10;
    ASSERT_GT(samples.size(), 60 * tenth) << "no wave writer: " << recording.configPath();
    // The crash's noise sweeps through the whoosh's band too: the whoosh is looked for between the hat
    // and the crash, whose crackle is its own.
    const double bands[][2] = {{1318.5, 1318.5}, {784.0, 784.0}, {1500.0, 2700.0}, {4400.0, 4600.0}};
    std::vector<double> mark[4];
    for (int k = 0; k < 4; ++k) // each band's amplitudes summed every 50 Hz
        for (size_t begin = 0; begin + tenth <= samples.size(); begin += tenth) {
            mark[k].push_back(0.0);
            for (double hertz = bands[k][0]; hertz <= bands[k][1] + 1.0; hertz += 50.0)
                mark[k].back() += toneAmplitude(samples, begin, tenth, hertz);
        }
    const auto peak = [&](int k, size_t from, size_t to) {
        return size_t(std::max_element(mark[k].begin() + from, mark[k].begin() + std::max(from, to)) -
                      mark[k].begin());
    };
    size_t peaks[4] = {peak(0, 0, mark[0].size()), peak(1, 0, mark[1].size()), 0, peak(3, 0, mark[3].size())};
    peaks[2] = peak(2, peaks[1] + 10, peaks[3] - 5);
    for (int k = 0; k < 4; ++k) {
        EXPECT_GT(mark[k][peaks[k]], 10.0 * *std::max_element(mark[k].begin() + 5, mark[k].begin() + 10))
            << k;
        EXPECT_GT(peaks[k], k == 0 ? 10u : peaks[k - 1] + 5) << k;
    }
    for (const auto& [other, at] : {std::pair{0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 2}, {1, 3}, {3, 2}})
        EXPECT_LT(mark[other][peaks[at]], 0.3 * mark[other][peaks[other]]) << other << " at " << at;
}

// (pitch, gain) at the start, then after half a second each of cruise, boost, cruise and silence.
std::vector<glm::vec2> flyTone(float dt) {
    EngineTone tone;
    tone.advance(0.0f, false, false);
    std::vector<glm::vec2> ends{{tone.pitch(), tone.gain()}};
    for (int phase = 0; phase < 4; ++phase) {
        for (int i = 0; i < std::lround(0.5f / dt); ++i)
            tone.advance(dt, phase == 1, phase == 3);
        ends.push_back({tone.pitch(), tone.gain()});
    }
    return ends;
}

std::string le(std::uint32_t value, int bytes) {
    return bytes == 0 ? "" : static_cast<char>(value & 0xFF) + le(value >> 8, bytes - 1);
}
std::string chunk(const std::string& id, const std::string& body) {
    return id + le(static_cast<std::uint32_t>(body.size()), 4) + body + std::string(body.size() % 2, '\0');
}
std::string format(int tag, int channels, int rate, int bits, const std::string& extension = "") {
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                             le(channels * bits / 8, 2) + le(bits, 2) + extension);
}
std::string riff(const std::string& chunks) {
    return "RIFF" + le(static_cast<std::uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

TEST(GameLoop, EngineToneZoomClockPlayTimeFramesPerSecondAndTheWaveReader) {
    // Play time padded and truncated; frames per second changing once per window.
    std::istringstream rows("180 03:00 179.99 02:59 65.9 01:05 60 01:00 59.5 00:59 9 00:09 0.99 00:00 "
                            "600 10:00 -0.01 00:00");
    for (auto [seconds, shown] = std::pair(0.0f, std::string()); rows >> seconds >> shown;) {
        char text[32];
        formatPlayTime(text, sizeof text, seconds);
        EXPECT_EQ(text, shown) << seconds;
    }
    FpsCounter counter;
    std::vector<int> shown;
    for (const float frameTime : {0.5f, 0.5f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f})
        shown.push_back(counter.tick(frameTime));
    EXPECT_EQ(shown, (std::vector{0, 0, 2, 2, 2, 2, 2, 4}));

    // From silence faded in; the boost raises pitch and loudness; back toward cruise; then silent.
    const auto r = flyTone(1.0f / 60.0f);
    EXPECT_TRUE(r[0].y == 0.0f && std::abs(r[1].y - EngineTone::cruiseGain) < 1e-4f && r[2].x > 1.4f &&
                r[2].y > r[1].y && r[3].x < 1.1f && r[4].y < 0.01f);
    for (float dt : {1.0f / 10.0f, 1.0f / 20.0f, 1.0f / 30.0f, 1.0f / 144.0f}) {
        const auto flown = flyTone(dt);
        for (size_t phase = 0; phase < flown.size(); ++phase)
            EXPECT_LT(glm::distance(flown[phase], r[phase]), 1.5e-4f) << dt << " " << phase;
    }

    // The boost zoom widens to 1.2 and snaps back to exactly 1; the clock ends the game crossing zero.
    float zoom = 1.0f;
    int rebuilds = 0;
    for (int frame = 0; frame < 300; ++frame)
        rebuilds += advanceZoom(zoom, true, 1.0f / 60.0f);
    EXPECT_TRUE(zoom >= 1.2f && zoom < 1.2f + 1.0f / 600.0f + 1e-6f && rebuilds < 300) << zoom;
    int frames = 0;
    while (advanceZoom(zoom, false, 1.0f / 60.0f) && frames < 1000)
        ++frames;
    EXPECT_TRUE(zoom == 1.0f && std::abs(frames - 121) <= 2) << zoom << " " << frames;

    resetGameState();
    advanceGameClock(179.0f);
    const bool early = gameOver;
    advanceGameClock(1.01f), advanceGameClock(0.5f);
    EXPECT_TRUE(!early && gameOver && std::abs(gameTimeLeft + 0.01f) < 1e-4f) << "runs on past zero";

    // The WAV reader takes mono 16-bit PCM and refuses everything else.
    const std::string pcm = le(1000, 2) + le(0xFC18, 2) + le(7, 2); // 1000, -1000, 7
    const std::string good = riff(format(1, 1, 22050, 16) + chunk("data", pcm));
    const auto wave = parseWave(good);
    // A chunk of odd length before the format is skipped with its pad byte.
    const auto padded = parseWave(riff(chunk("LIST", "abc") + format(1, 1, 44100, 16) + chunk("data", pcm)));
    // A format chunk with its extension's size, an odd stray byte and a chunk after the samples.
    const auto extra =
        parseWave(riff(format(1, 1, 22050, 16, le(0, 2)) + chunk("data", pcm + "x") + chunk("LIST", "ab")));
    ASSERT_TRUE(wave && padded && extra);
    EXPECT_TRUE(wave->rate == 22050 && wave->samples == (std::vector<std::int16_t>{1000, -1000, 7}) &&
                padded->samples == wave->samples && extra->samples == wave->samples);
    const std::pair<const char*, std::string> broken[] = {
        {"empty", ""},
        {"not RIFF", "RIFX" + good.substr(4)},
        {"cut in the header", good.substr(0, 30)},
        {"cut in the samples", good.substr(0, good.size() - 1)},
        {"stereo", riff(format(1, 2, 22050, 16) + chunk("data", pcm))},
        {"8-bit", riff(format(1, 1, 22050, 8) + chunk("data", pcm))},
        {"float", riff(format(3, 1, 22050, 32) + chunk("data", pcm + pcm))},
        {"rate 0", riff(format(1, 1, 0, 16) + chunk("data", pcm))},
        {"samples before the format", riff(chunk("data", pcm) + format(1, 1, 22050, 16))},
        {"no samples", riff(format(1, 1, 22050, 16) + chunk("data", ""))},
        {"a size past the end", riff(format(1, 1, 22050, 16) + "data" + le(0xFFFFFFF0u, 4) + pcm)},
    };
    for (const auto& [name, bytes] : broken)
        EXPECT_FALSE(parseWave(bytes)) << name;
    EXPECT_FALSE(readWave("./Sounds/no-such-file.wav"));
}

} // namespace
