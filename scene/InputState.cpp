#include "scene/InputState.h"

#include <GLFW/glfw3.h>

#include <array>
#include <cmath>
#include <memory>

namespace {

// Keys are polled once a frame; a tap that goes down and up between two polls is caught by the key callback,
// which only notes that a press happened. Whether a key is held still comes from polling, so a released key
// is up at the first poll after its release (GLFW's sticky keys would hold it for one more poll).
class GlfwInputSource : public InputSource {
public:
    explicit GlfwInputSource(GLFWwindow* window) : window(window) {
        current = this;
        glfwSetKeyCallback(window, onKey);
    }
    ~GlfwInputSource() override {
        if (current == this)
            current = nullptr;
    }
    bool keyDown(int glfwKey) override { return glfwGetKey(window, glfwKey) == GLFW_PRESS; }
    bool pressedSincePoll(int glfwKey) override {
        return glfwKey >= 0 && glfwKey <= GLFW_KEY_LAST && pressed[glfwKey];
    }
    void forgetPresses() override { pressed.fill(false); }
    bool joystickPresent() override { return glfwJoystickPresent(GLFW_JOYSTICK_1) == GLFW_TRUE; }
    const unsigned char* joystickButtons(int& count) override {
        return glfwGetJoystickButtons(GLFW_JOYSTICK_1, &count);
    }
    const float* joystickAxes(int& count) override { return glfwGetJoystickAxes(GLFW_JOYSTICK_1, &count); }

private:
    static void onKey(GLFWwindow*, int key, int, int action, int) {
        if (current && action == GLFW_PRESS && key >= 0 && key <= GLFW_KEY_LAST)
            current->pressed[key] = true;
    }

    static inline GlfwInputSource* current = nullptr;
    GLFWwindow* window;
    std::array<bool, GLFW_KEY_LAST + 1> pressed{};
};

std::unique_ptr<InputState> state;
std::unique_ptr<InputSource> ownedSource;
InputSource* source = nullptr;
bool joystickPresent = false;

// Down at this poll, or tapped since the previous one.
bool down(int key) {
    return source->keyDown(key) || source->pressedSincePoll(key);
}

// A latched switch acts once per press; the held byte stays 1 from the press until the release. A key let go
// and pressed again between two polls is a new press.
void latch(int key, std::uint8_t& latchByte, std::uint8_t* held, void (*act)(InputState&)) {
    if (!down(key)) {
        latchByte = 0;
        if (held)
            *held = 0;
    } else if (latchByte == 0 || source->pressedSincePoll(key)) {
        latchByte = 1;
        if (held)
            *held = 1;
        act(*state);
    }
}

struct Joystick {
    const unsigned char* buttons = nullptr;
    const float* axes = nullptr;
    int buttonCount = 0;
    int axisCount = 0;

    // Only what the joystick reports is read: a one-button pad still boosts, a two-axis stick still rolls
    // and pitches.
    bool button(int index) const { return buttons && index < buttonCount && buttons[index] == GLFW_PRESS; }
    float axisOrKeys(float keys, int index) const {
        if (axes && index < axisCount && std::fabs(axes[index]) > 0.1f)
            return axes[index];
        return keys;
    }
};

InputState* create(InputSource* from) {
    source = from;
    state = std::make_unique<InputState>();
    joystickPresent = source->joystickPresent();
    sharedInput = state.get();
    return sharedInput;
}

} // namespace

InputState* createInputState(GLFWwindow* window) {
    ownedSource = std::make_unique<GlfwInputSource>(window);
    return create(ownedSource.get());
}

InputState* createInputState(InputSource* from) {
    ownedSource.reset();
    return create(from);
}

void destroyInputState() {
    sharedInput = nullptr;
    state.reset();
    ownedSource.reset();
    source = nullptr;
}

void pollInput() {
    if (!state || !source)
        return;
    InputState& in = *state;
    Joystick stick;
    if (joystickPresent) {
        stick.buttons = source->joystickButtons(stick.buttonCount);
        stick.axes = source->joystickAxes(stick.axisCount);
    }

    float pitch = 0.0f;
    if (down(GLFW_KEY_S))
        pitch = 1.0f;
    if (down(GLFW_KEY_W))
        pitch = pitch - 1.0f;
    in.pitchAxis = stick.axisOrKeys(pitch, 1);

    float yaw = 0.0f;
    if (down(GLFW_KEY_Q))
        yaw = 1.0f;
    if (down(GLFW_KEY_E))
        yaw = yaw - 1.0f;
    in.yawAxis = stick.axisOrKeys(yaw, 2);

    float roll = 0.0f;
    if (down(GLFW_KEY_A))
        roll = -1.0f;
    if (down(GLFW_KEY_D))
        roll = roll + 1.0f;
    in.rollAxis = stick.axisOrKeys(roll, 0);

    in.boostButton = down(GLFW_KEY_LEFT_SHIFT) || stick.button(0);
    in.spaceKey = down(GLFW_KEY_SPACE);
    in.escapeKey = down(GLFW_KEY_ESCAPE);
    in.cameraButton = down(GLFW_KEY_V) || stick.button(1);
    in.cameraPressed = source->pressedSincePoll(GLFW_KEY_V);

    latch(GLFW_KEY_F4, in.samplingLatch, &in.samplingHeld, [](InputState& s) { s.bilinearSampling ^= 1; });
    latch(GLFW_KEY_F5, in.mipmapLatch, &in.mipmapHeld,
          [](InputState& s) { s.mipmapMode = (s.mipmapMode + 1) % 3; });
    latch(GLFW_KEY_F1, in.helpLatch, nullptr, [](InputState& s) { s.showHelp ^= 1; });
    latch(GLFW_KEY_F2, in.frameTimeLatch, &in.frameTimeHeld, [](InputState& s) { s.showFrameTime ^= 1; });
    latch(GLFW_KEY_F3, in.wireframeLatch, &in.wireframeHeld, [](InputState& s) { s.wireframe ^= 1; });
    latch(GLFW_KEY_F8, in.cullingLatch, &in.cullingHeld, [](InputState& s) { s.culling ^= 1; });
    latch(GLFW_KEY_F9, in.transparencyLatch, &in.transparencyHeld,
          [](InputState& s) { s.transparency ^= 1; });
    source->forgetPresses();
}
