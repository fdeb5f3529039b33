#include "scene/InputState.h"

#include <GLFW/glfw3.h>

#include <cmath>
#include <memory>

namespace {

class GlfwInputSource : public InputSource {
public:
    explicit GlfwInputSource(GLFWwindow* window) : window(window) {}
    bool keyDown(int glfwKey) override { return glfwGetKey(window, glfwKey) == GLFW_PRESS; }
    bool joystickPresent() override { return glfwJoystickPresent(GLFW_JOYSTICK_1) == GLFW_TRUE; }
    const unsigned char* joystickButtons() override {
        int count = 0;
        const unsigned char* buttons = glfwGetJoystickButtons(GLFW_JOYSTICK_1, &count);
        return count >= 2 ? buttons : nullptr;
    }
    const float* joystickAxes() override {
        int count = 0;
        const float* axes = glfwGetJoystickAxes(GLFW_JOYSTICK_1, &count);
        return count >= 3 ? axes : nullptr;
    }

private:
    GLFWwindow* window;
};

std::unique_ptr<InputState> state;
std::unique_ptr<InputSource> ownedSource;
InputSource* source = nullptr;
bool joystickPresent = false;

// A latched switch acts once per press; the held byte stays 1 from the press until the release.
void latch(int key, std::uint8_t& latchByte, std::uint8_t* held, void (*act)(InputState&)) {
    if (!source->keyDown(key)) {
        latchByte = 0;
        if (held)
            *held = 0;
    } else if (latchByte == 0) {
        latchByte = 1;
        if (held)
            *held = 1;
        act(*state);
    }
}

float axisOrKeys(float keys, const float* axes, int index) {
    // A joystick that was unplugged or reports fewer axes leaves the keys in charge.
    if (axes && std::fabs(axes[index]) > 0.1f)
        return axes[index];
    return keys;
}

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
    const unsigned char* buttons = joystickPresent ? source->joystickButtons() : nullptr;
    const float* axes = joystickPresent ? source->joystickAxes() : nullptr;

    float pitch = 0.0f;
    if (source->keyDown(GLFW_KEY_S))
        pitch = 1.0f;
    if (source->keyDown(GLFW_KEY_W))
        pitch = pitch - 1.0f;
    in.pitchAxis = axisOrKeys(pitch, axes, 1);

    float yaw = 0.0f;
    if (source->keyDown(GLFW_KEY_Q))
        yaw = 1.0f;
    if (source->keyDown(GLFW_KEY_E))
        yaw = yaw - 1.0f;
    in.yawAxis = axisOrKeys(yaw, axes, 2);

    float roll = 0.0f;
    if (source->keyDown(GLFW_KEY_A))
        roll = -1.0f;
    if (source->keyDown(GLFW_KEY_D))
        roll = roll + 1.0f;
    in.rollAxis = axisOrKeys(roll, axes, 0);

    in.boostButton = source->keyDown(GLFW_KEY_LEFT_SHIFT) || (buttons && buttons[0] == GLFW_PRESS);
    in.spaceKey = source->keyDown(GLFW_KEY_SPACE);
    in.escapeKey = source->keyDown(GLFW_KEY_ESCAPE);
    in.cameraButton = source->keyDown(GLFW_KEY_V) || (buttons && buttons[1] == GLFW_PRESS);

    latch(GLFW_KEY_F4, in.samplingLatch, &in.samplingHeld, [](InputState& s) { s.bilinearSampling ^= 1; });
    latch(GLFW_KEY_F5, in.mipmapLatch, &in.mipmapHeld,
          [](InputState& s) { s.mipmapMode = (s.mipmapMode + 1) % 3; });
    latch(GLFW_KEY_F1, in.helpLatch, nullptr, [](InputState& s) { s.showHelp ^= 1; });
    latch(GLFW_KEY_F2, in.frameTimeLatch, &in.frameTimeHeld, [](InputState& s) { s.showFrameTime ^= 1; });
    latch(GLFW_KEY_F3, in.wireframeLatch, &in.wireframeHeld, [](InputState& s) { s.wireframe ^= 1; });
    latch(GLFW_KEY_F8, in.cullingLatch, &in.cullingHeld, [](InputState& s) { s.culling ^= 1; });
    latch(GLFW_KEY_F9, in.transparencyLatch, &in.transparencyHeld,
          [](InputState& s) { s.transparency ^= 1; });
}
