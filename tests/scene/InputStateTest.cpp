#include "scene/InputState.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <set>

namespace {

class FakeSource : public InputSource {
public:
    bool keyDown(int key) override { return keys.count(key) > 0; }
    bool pressedSincePoll(int key) override { return taps.count(key) > 0; }
    void forgetPresses() override { taps.clear(); }
    bool joystickPresent() override { return present; }
    const unsigned char* joystickButtons(int& count) override {
        count = buttonCount;
        return buttons;
    }
    const float* joystickAxes(int& count) override {
        count = axisCount;
        return axisCount > 0 ? axes : nullptr;
    }

    std::set<int> keys; // down at the poll
    std::set<int> taps; // pressed since the previous poll
    bool present = false;
    int buttonCount = 2;
    int axisCount = 3;
    unsigned char buttons[2] = {GLFW_RELEASE, GLFW_RELEASE};
    float axes[3] = {0.0f, 0.0f, 0.0f};
};

class InputStateTest : public testing::Test {
protected:
    void SetUp() override { state = createInputState(&source); }
    void TearDown() override { destroyInputState(); }
    void press(std::initializer_list<int> keys) {
        source.keys = keys;
        pollInput();
    }
    FakeSource source;
    InputState* state = nullptr;
};

// Every switch key: the value it starts with and after each of three presses, and the byte that follows the
// held key (if any).
TEST_F(InputStateTest, EachSwitchActsOncePerPressAndItsHeldByteFollowsTheKey) {
    EXPECT_EQ(sharedInput, state);
    struct Switch {
        int key;
        std::uint8_t InputState::*held;
        int start, after[3];
        int InputState::*mode; // set for the mipmap mode, which is not a byte
        std::uint8_t InputState::*flag;
    };
    const Switch switches[] = {
        {GLFW_KEY_F1, nullptr, 0, {1, 0, 1}, nullptr, &InputState::showHelp},
        {GLFW_KEY_F2, &InputState::frameTimeHeld, 0, {1, 0, 1}, nullptr, &InputState::showFrameTime},
        {GLFW_KEY_F3, &InputState::wireframeHeld, 0, {1, 0, 1}, nullptr, &InputState::wireframe},
        {GLFW_KEY_F4, &InputState::samplingHeld, 1, {0, 1, 0}, nullptr, &InputState::bilinearSampling},
        {GLFW_KEY_F5, &InputState::mipmapHeld, 2, {0, 1, 2}, &InputState::mipmapMode, nullptr},
        {GLFW_KEY_F8, &InputState::cullingHeld, 1, {0, 1, 0}, nullptr, &InputState::culling},
        {GLFW_KEY_F9, &InputState::transparencyHeld, 1, {0, 1, 0}, nullptr, &InputState::transparency}};
    for (const Switch& s : switches) {
        auto value = [&] { return s.mode ? state->*s.mode : int(state->*s.flag); };
        EXPECT_EQ(value(), s.start) << s.key;
        for (int expected : s.after) {
            for (int frame = 0; frame < 3; ++frame) {
                press({s.key});
                EXPECT_EQ(value(), expected) << s.key << " held";
                if (s.held) {
                    EXPECT_EQ(state->*s.held, 1) << s.key;
                }
            }
            press({});
            EXPECT_EQ(value(), expected) << s.key << " let go";
            if (s.held) {
                EXPECT_EQ(state->*s.held, 0) << s.key;
            }
        }
    }
    press({GLFW_KEY_F1, GLFW_KEY_F3}); // two at once both act
    EXPECT_EQ(state->showHelp, 0);
    EXPECT_EQ(state->wireframe, 0);
}

TEST_F(InputStateTest, OpposingKeysCancel) {
    press({GLFW_KEY_W});
    EXPECT_EQ(state->pitchAxis, -1.0f);
    press({GLFW_KEY_S});
    EXPECT_EQ(state->pitchAxis, 1.0f);
    press({GLFW_KEY_W, GLFW_KEY_S, GLFW_KEY_Q, GLFW_KEY_E, GLFW_KEY_A, GLFW_KEY_D});
    EXPECT_EQ(state->pitchAxis, 0.0f);
    EXPECT_EQ(state->yawAxis, 0.0f);
    EXPECT_EQ(state->rollAxis, 0.0f);
    press({GLFW_KEY_D, GLFW_KEY_Q});
    EXPECT_EQ(state->rollAxis, 1.0f);
    EXPECT_EQ(state->yawAxis, 1.0f);
    press({GLFW_KEY_LEFT_SHIFT, GLFW_KEY_V, GLFW_KEY_ESCAPE, GLFW_KEY_SPACE});
    EXPECT_EQ(state->boostButton + state->cameraButton + state->escapeKey + state->spaceKey, 4);
    press({});
    EXPECT_EQ(state->boostButton + state->cameraButton + state->escapeKey + state->spaceKey, 0);
}

// A key that went down and up between two polls counts as exactly one press; so does a release and a new
// press between two polls of a held key.
TEST_F(InputStateTest, TapsBetweenPollsCountOnce) {
    source.taps = {GLFW_KEY_F1, GLFW_KEY_ESCAPE, GLFW_KEY_F8};
    pollInput();
    EXPECT_EQ(state->showHelp, 1);
    EXPECT_EQ(state->escapeKey, 1);
    EXPECT_EQ(state->culling, 0);
    EXPECT_EQ(state->cullingHeld, 1);
    pollInput();
    EXPECT_EQ(state->showHelp, 1);
    EXPECT_EQ(state->escapeKey, 0);
    EXPECT_EQ(state->cullingHeld, 0);
    press({GLFW_KEY_F3, GLFW_KEY_V});
    EXPECT_EQ(state->cameraPressed, 0);
    source.taps = {GLFW_KEY_F3, GLFW_KEY_V};
    pollInput();
    EXPECT_EQ(state->wireframe, 0);
    EXPECT_EQ(state->cameraPressed, 1);
    pollInput();
    EXPECT_EQ(state->wireframe, 0);
}

TEST_F(InputStateTest, MipmapModeCyclesThroughThreeModes) {
    int modes[4];
    for (int& mode : modes) {
        press({GLFW_KEY_F5});
        mode = state->mipmapMode;
        press({});
    }
    EXPECT_EQ(modes[0], 0);
    EXPECT_EQ(modes[1], 1);
    EXPECT_EQ(modes[2], 2);
    EXPECT_EQ(modes[3], 0);
    press({GLFW_KEY_F4});
    EXPECT_EQ(state->bilinearSampling, 0);
    EXPECT_EQ(state->samplingHeld, 1);
}

TEST(InputStateJoystickTest, AxesReplaceKeysOnlyAboveTheThreshold) {
    FakeSource source;
    source.present = true;
    InputState* state = createInputState(&source);
    source.keys = {GLFW_KEY_W};
    source.axes[1] = 0.1f;
    pollInput();
    EXPECT_EQ(state->pitchAxis, -1.0f);
    source.axes[1] = 0.1001f;
    pollInput();
    EXPECT_FLOAT_EQ(state->pitchAxis, 0.1001f);
    source.axes[0] = -0.5f;
    source.axes[2] = 0.75f;
    source.buttons[0] = GLFW_PRESS;
    source.buttons[1] = GLFW_PRESS;
    pollInput();
    EXPECT_FLOAT_EQ(state->rollAxis, -0.5f);
    EXPECT_FLOAT_EQ(state->yawAxis, 0.75f);
    EXPECT_EQ(state->boostButton, 1);
    EXPECT_EQ(state->cameraButton, 1);
    // Only what the joystick reports is read: a two-axis, one-button stick keeps roll, pitch and boost.
    source.axisCount = 2;
    source.buttonCount = 1;
    source.keys = {GLFW_KEY_E};
    pollInput();
    EXPECT_FLOAT_EQ(state->pitchAxis, 0.1001f);
    EXPECT_FLOAT_EQ(state->rollAxis, -0.5f);
    EXPECT_EQ(state->yawAxis, -1.0f);
    EXPECT_EQ(state->boostButton, 1);
    EXPECT_EQ(state->cameraButton, 0);
    // One that stops reporting axes leaves the keys in charge.
    source.axisCount = 0;
    source.keys = {GLFW_KEY_W};
    pollInput();
    EXPECT_EQ(state->pitchAxis, -1.0f);
    destroyInputState();
}

TEST(InputStateJoystickTest, AJoystickConnectedAfterStartIsIgnored) {
    FakeSource source;
    InputState* state = createInputState(&source);
    source.present = true;
    source.axes[1] = 0.9f;
    source.buttons[0] = GLFW_PRESS;
    pollInput();
    EXPECT_EQ(state->pitchAxis, 0.0f);
    EXPECT_EQ(state->boostButton, 0);
    destroyInputState();
    pollInput(); // no record: nothing happens
    EXPECT_EQ(sharedInput, nullptr);
}

} // namespace
