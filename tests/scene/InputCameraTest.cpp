// Keys and joystick into InputState, the camera's modes and switch: pure code.
#include "scene/Camera.h"
#include "scene/InputState.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <tuple>

using tavo::scene::Camera;

namespace {

struct FakeSource : InputSource {
    bool keyDown(int key) override { return keys.count(key) > 0; }
    bool pressedSincePoll(int key) override { return taps.count(key) > 0; }
    void forgetPresses() override { taps.clear(); }
    bool joystickPresent(int jid) override { return jid == pad || jid == stick; }
    bool gamepadState(int jid, GLFWgamepadstate& state) override {
        return jid == pad && (state = padState, true);
    }
    // A stick without mapping reports the first of the same arrays, and a button fewer than its axes.
    const unsigned char* joystickButtons(int jid, int& count) override {
        return jid == stick ? (count = reported - 1, padState.buttons) : nullptr;
    }
    const float* joystickAxes(int jid, int& count) override {
        return jid == stick ? (count = reported, padState.axes) : nullptr;
    }

    std::set<int> keys, taps;               // down at the poll; pressed since the previous poll
    int pad = -1, stick = -1, reported = 3; // connected as a game pad and as a joystick without mapping
    GLFWgamepadstate padState{};
};

struct InputStateTest : testing::Test {
    ~InputStateTest() override { destroyInputState(); }
    void press(const std::set<int>& keys, const std::set<int>& taps = {}) {
        source.keys = keys, source.taps = taps;
        pollInput();
    }
    FakeSource source;
    InputState* state = createInputState(&source);
};

} // namespace

// Switch key, held byte, value at start and after each of three held presses, its flag (none: mipmap mode).
TEST_F(InputStateTest, SwitchesFlightKeysTapsAndJoysticksFillTheRecordAndTheCameraModesFollowIt) {
    EXPECT_EQ(sharedInput, state);
    using Byte = std::uint8_t InputState::*;
    const std::tuple<int, Byte, int, std::array<int, 3>, Byte> switches[] = {
        {GLFW_KEY_F1, nullptr, 0, {1, 0, 1}, &InputState::showHelp},
        {GLFW_KEY_F2, &InputState::frameTimeHeld, 0, {1, 0, 1}, &InputState::showFrameTime},
        {GLFW_KEY_F3, &InputState::wireframeHeld, 0, {1, 0, 1}, &InputState::wireframe},
        {GLFW_KEY_F4, &InputState::samplingHeld, 1, {0, 1, 0}, &InputState::bilinearSampling},
        {GLFW_KEY_F5, &InputState::mipmapHeld, 2, {0, 1, 2}, nullptr},
        {GLFW_KEY_F8, &InputState::cullingHeld, 1, {0, 1, 0}, &InputState::culling},
        {GLFW_KEY_F9, &InputState::transparencyHeld, 1, {0, 1, 0}, &InputState::transparency}};
    const auto value = [&](Byte flag) { return flag ? int(state->*flag) : state->mipmapMode; };
    for (const auto& [key, held, start, after, flag] : switches) {
        EXPECT_EQ(value(flag), start) << key;
        for (int expected : after)
            for (bool down : {true, true, false}) {
                press(down ? std::set<int>{key} : std::set<int>{});
                EXPECT_EQ(value(flag), expected) << key << " down " << down;
                EXPECT_EQ(held ? int(state->*held) : down, down) << key;
            }
    }
    press({GLFW_KEY_F1, GLFW_KEY_F3}); // two at once both act
    EXPECT_EQ(state->showHelp + state->wireframe, 0);

    // Flight keys give their signs (pitch, yaw, roll) and opposing keys cancel.
    const std::pair<std::set<int>, glm::vec3> rows[] = {
        {{GLFW_KEY_W}, {-1, 0, 0}},
        {{GLFW_KEY_S}, {1, 0, 0}},
        {{GLFW_KEY_D, GLFW_KEY_Q}, {0, 1, 1}},
        {{GLFW_KEY_A, GLFW_KEY_E}, {0, -1, -1}},
        {{GLFW_KEY_W, GLFW_KEY_S, GLFW_KEY_Q, GLFW_KEY_E, GLFW_KEY_A, GLFW_KEY_D}, {0, 0, 0}}};
    for (const auto& [keys, turns] : rows) {
        press(keys);
        EXPECT_EQ(glm::vec3(state->pitchAxis, state->yawAxis, state->rollAxis), turns) << *keys.begin();
    }
    press({GLFW_KEY_LEFT_SHIFT, GLFW_KEY_V, GLFW_KEY_ESCAPE, GLFW_KEY_SPACE});
    EXPECT_EQ(state->boostButton + state->cameraButton + state->escapeKey + state->spaceKey, 4);
    press({});
    EXPECT_EQ(state->boostButton + state->cameraButton + state->escapeKey + state->spaceKey, 0);

    // Camera modes, V up: mode, aircraft matrix and lift; the eye and its up.
    const glm::mat4 rolled = glm::rotate(glm::mat4(1.0f), 0.5f, glm::vec3(0, 0, 1));
    const glm::vec3 rolledUp(-std::sin(0.5f), std::cos(0.5f), 0),
        behind(14.602268f * std::sin(0.5f), -14.602268f * std::cos(0.5f), 3.4312916f);
    const std::tuple<int, glm::mat4, float, glm::vec3, glm::vec3> cases[] = {
        {0, glm::translate(glm::mat4(1.0f), {5, 6, 7}), 0, {5, -8.602268f, 10.431292f}, {0, 1, 0}},
        {0, rolled, 0, behind, rolledUp},
        {1, rolled, 0, behind, {0, 1, 0}}, // level chase keeps the world's up
        {2, glm::translate(glm::mat4(1.0f), {1, 2, 3}), 0, {1, 2, 18}, {0, 1, 0}},
        {2, glm::mat4(1.0f), 2.0f, {0, 20, 15}, {0, 1, 0}}};
    for (const auto& [mode, aircraft, lift, position, up] : cases) {
        Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
        camera.mode = mode;
        camera.applyInput(0.0, 0.0), camera.computeView(aircraft, lift);
        const glm::vec3 direction = glm::normalize(glm::vec3(aircraft[3]) - position);
        const float off = glm::distance(camera.position, position) + glm::distance(camera.up, up) +
                          glm::distance(camera.viewDirection, direction);
        EXPECT_LT(off, 1e-4f) << "mode " << mode << " lift " << lift;
    }
    Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    std::string modes;
    for (const char poll : std::string("HHHHH-H-H-HP")) { // V held, up, held and pressed again since the last
        state->cameraButton = poll != '-', state->cameraPressed = poll == 'P';
        camera.applyInput(0.0, 0.0);
        modes += std::to_string(camera.mode);
    }
    EXPECT_EQ(modes, "111111220012");
    // Elevation in degrees (over 90 past a pole): up, beyond the top, back, beyond the bottom, back.
    camera.mode = 2, *state = InputState{};
    std::vector<long> elevations;
    for (const double y : {100.0, 400.0, 350.0, -1000.0, -950.0}) {
        camera.applyInput(0.0, y), camera.computeView(glm::mat4(1.0f), 0.0f);
        elevations.push_back(std::lround(std::atan2(camera.position.y, camera.position.z) * 57.3f));
    }
    EXPECT_EQ(elevations, std::vector<long>({57, 85, 56, -85, -56}));

    // Down and up between two polls is one press; so is a release and a new press of a key held at both.
    std::vector<int> seen;
    press({}, {GLFW_KEY_F1, GLFW_KEY_ESCAPE, GLFW_KEY_F8});
    seen.insert(seen.end(), {state->showHelp, state->escapeKey, state->culling, state->cullingHeld});
    press({});
    seen.insert(seen.end(), {state->showHelp, state->escapeKey, state->cullingHeld});
    press({GLFW_KEY_F3, GLFW_KEY_V});
    seen.push_back(state->cameraPressed);
    press({GLFW_KEY_F3, GLFW_KEY_V}, {GLFW_KEY_F3, GLFW_KEY_V});
    seen.insert(seen.end(), {state->wireframe, state->cameraPressed});
    press({GLFW_KEY_F3, GLFW_KEY_V});
    seen.push_back(state->wireframe);
    EXPECT_EQ(seen, std::vector<int>({1, 1, 0, 1, 1, 0, 0, 0, 0, 1, 0}));

    // Per poll: pad, stick (-1: none), axes (pad: left x, y, right x, y, triggers), axes reported, buttons (A
    // or the stick's first 1, B or its second 2, right shoulder 32), a key; pitch, yaw, roll; boost, camera.
    using Axes = std::array<float, 6>;
    constexpr Axes rest{0, 0, 0, 0, -1, -1};
    const std::tuple<int, int, Axes, int, int, int, glm::vec3, glm::ivec2> polls[] = {
        {-1, -1, rest, 3, 0, GLFW_KEY_W, {-1, 0, 0}, {0, 0}},                            // none yet: keys
        {2, -1, rest, 3, 0, 0, {0, 0, 0}, {0, 0}},                                       // triggers at rest
        {2, -1, {0.12f, -0.15f, 0.1f, 0, -1, -1}, 3, 0, GLFW_KEY_W, {-1, 0, 0}, {0, 0}}, // worn, at rest
        {2, -1, {0, 0.2f, 0, 0, -1, -1}, 3, 0, GLFW_KEY_W, {-1, 0, 0}, {0, 0}},          // the zone's edge
        {2, -1, {0, -0.3f, -0.2f, 0.1f, -1, -1}, 3, 0, GLFW_KEY_S, {-0.125f, 0.0264f, 0}, {0, 0}},
        {2, -1, {0.36f, -0.48f, 0, 0, -1, 0}, 3, 1, 0, {-0.4f, -0.4444f, 0.3f}, {1, 0}},
        {2, -1, {-1, 1, 0.6f, 0, 1, -1}, 3, 2, 0, {1, 0.5f, -1}, {0, 1}},  // a corner is full on both
        {2, 0, rest, 3, 32, GLFW_KEY_Q, {0, 1, 0}, {1, 0}},                // the pad before a stick
        {-1, -1, rest, 3, 0, 0, {0, 0, 0}, {0, 0}},                        // unplugged: nothing stays held
        {3, -1, {0, 0, 0, 0, -1, 0}, 3, 0, GLFW_KEY_Q, {0, 1, 0}, {0, 0}}, // a trigger off rest: unmapped
        {-1, 1, {-0.36f, 0.48f, 0.75f}, 3, 3, GLFW_KEY_W, {0.4f, 0.6875f, -0.3f}, {1, 1}}, // a flight stick
        {-1, 1, {0.1f, 0.1f, 0.75f}, 2, 3, GLFW_KEY_E, {0, -1, 0}, {1, 0}}};               // with two axes
    for (const auto& [pad, stick, axes, reported, buttons, key, turns, boostCamera] : polls) {
        source.pad = pad, source.stick = stick, source.reported = reported, source.keys = {key};
        std::copy(axes.begin(), axes.end(), source.padState.axes);
        for (int b = 0; b <= GLFW_GAMEPAD_BUTTON_LAST; ++b) // GLFW_PRESS is 1
            source.padState.buttons[b] = (buttons >> b) & 1;
        pollInput();
        const glm::vec3 got(state->pitchAxis, state->yawAxis, state->rollAxis);
        EXPECT_LT(glm::distance(got, turns), 1e-4f) << pad << stick << key << " " << got.x << " " << got.y;
        EXPECT_EQ(glm::ivec2(state->boostButton, state->cameraButton), boostCamera) << pad << stick << key;
    }

    destroyInputState();
    pollInput(); // no record: nothing happens
    EXPECT_EQ(sharedInput, nullptr);
}
