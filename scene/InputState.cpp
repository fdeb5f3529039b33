#include "scene/InputState.h"

#include <GLFW/glfw3.h>
#include <glm/glm.hpp>

#include <algorithm>
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
    bool joystickPresent(int jid) override { return glfwJoystickPresent(jid) == GLFW_TRUE; }
    bool gamepadState(int jid, GLFWgamepadstate& pad) override {
        return glfwGetGamepadState(jid, &pad) == GLFW_TRUE;
    }
    const unsigned char* joystickButtons(int jid, int& count) override {
        return glfwGetJoystickButtons(jid, &count);
    }
    const float* joystickAxes(int jid, int& count) override { return glfwGetJoystickAxes(jid, &count); }

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

// A worn stick rests a little off its centre: within this radius it steers nothing.
constexpr float stickDeadZone = 0.2f;
// A trigger reads -1 at rest and +1 pressed fully; the first tenth of its travel is ignored.
constexpr float triggerDeadZone = 0.1f;

// Beyond the dead zone the response grows from 0 at its edge to 1 at full deflection, each axis held within
// [-1, 1] so that a stick's corners still give full turns.
glm::vec2 outsideDeadZone(glm::vec2 stick) {
    const float length = glm::length(stick);
    if (!(length > stickDeadZone) || !std::isfinite(length))
        return glm::vec2(0.0f);
    return glm::clamp(stick * ((length - stickDeadZone) / (1.0f - stickDeadZone) / length), -1.0f, 1.0f);
}

// The game pad in use and whether each of its triggers (left, right) has been seen at rest. GLFW reads a
// trigger its mapping lacks as 0, half pressed: a trigger steers only once it has read its rest.
int padInUse = -1;
bool triggerRested[2] = {};

float triggerTravel(float axis, bool& rested) {
    const float travel = (axis + 1.0f) / 2.0f;
    rested = rested || travel < triggerDeadZone;
    return rested && std::isfinite(travel)
               ? std::clamp((travel - triggerDeadZone) / (1.0f - triggerDeadZone), 0.0f, 1.0f)
               : 0.0f;
}

// What the joystick asks this poll. An axis of 0 leaves that axis to the keys.
struct Stick {
    float pitch = 0.0f, yaw = 0.0f, roll = 0.0f;
    bool boost = false, camera = false;
};

// The first connected game pad by its standard layout; without one the first connected joystick by its raw
// axes and buttons, of which only those it reports count (a one-button stick still boosts). Asked at every
// poll, so a pad plugged in at any time steers from the next frame, and one that is gone leaves the keys.
Stick readJoystick() {
    Stick stick;
    int raw = -1;
    GLFWgamepadstate pad;
    for (int jid = GLFW_JOYSTICK_1; jid <= GLFW_JOYSTICK_LAST; ++jid) {
        if (!source->joystickPresent(jid))
            continue;
        if (source->gamepadState(jid, pad)) {
            if (padInUse != jid)
                padInUse = jid, triggerRested[0] = triggerRested[1] = false;
            const float* axes = pad.axes;
            const glm::vec2 left =
                outsideDeadZone({axes[GLFW_GAMEPAD_AXIS_LEFT_X], axes[GLFW_GAMEPAD_AXIS_LEFT_Y]});
            const glm::vec2 right =
                outsideDeadZone({axes[GLFW_GAMEPAD_AXIS_RIGHT_X], axes[GLFW_GAMEPAD_AXIS_RIGHT_Y]});
            const float triggers = triggerTravel(axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER], triggerRested[1]) -
                                   triggerTravel(axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER], triggerRested[0]);
            // Forward on the stick reads -1, as W does; right and the right trigger turn right, as E does.
            stick.roll = left.x;
            stick.pitch = left.y;
            stick.yaw = std::clamp(-right.x - triggers, -1.0f, 1.0f);
            const unsigned char* buttons = pad.buttons;
            stick.boost = buttons[GLFW_GAMEPAD_BUTTON_A] == GLFW_PRESS ||
                          buttons[GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER] == GLFW_PRESS;
            stick.camera = buttons[GLFW_GAMEPAD_BUTTON_B] == GLFW_PRESS;
            return stick;
        }
        if (raw < 0)
            raw = jid;
    }
    padInUse = -1;
    if (raw < 0)
        return stick;
    int axisCount = 0, buttonCount = 0;
    const float* axes = source->joystickAxes(raw, axisCount);
    const unsigned char* buttons = source->joystickButtons(raw, buttonCount);
    auto axis = [&](int index) { return axes && index < axisCount ? axes[index] : 0.0f; };
    auto button = [&](int index) { return buttons && index < buttonCount && buttons[index] == GLFW_PRESS; };
    const glm::vec2 main = outsideDeadZone({axis(0), axis(1)});
    stick.roll = main.x;
    stick.pitch = main.y;
    stick.yaw = outsideDeadZone({axis(2), 0.0f}).x;
    stick.boost = button(0);
    stick.camera = button(1);
    return stick;
}

InputState* create(InputSource* from) {
    source = from;
    padInUse = -1;
    state = std::make_unique<InputState>();
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
    const Stick stick = readJoystick();

    float pitch = 0.0f;
    if (down(GLFW_KEY_S))
        pitch = 1.0f;
    if (down(GLFW_KEY_W))
        pitch = pitch - 1.0f;
    in.pitchAxis = stick.pitch != 0.0f ? stick.pitch : pitch;

    float yaw = 0.0f;
    if (down(GLFW_KEY_Q))
        yaw = 1.0f;
    if (down(GLFW_KEY_E))
        yaw = yaw - 1.0f;
    in.yawAxis = stick.yaw != 0.0f ? stick.yaw : yaw;

    float roll = 0.0f;
    if (down(GLFW_KEY_A))
        roll = -1.0f;
    if (down(GLFW_KEY_D))
        roll = roll + 1.0f;
    in.rollAxis = stick.roll != 0.0f ? stick.roll : roll;

    in.boostButton = down(GLFW_KEY_LEFT_SHIFT) || stick.boost;
    in.spaceKey = down(GLFW_KEY_SPACE);
    in.escapeKey = down(GLFW_KEY_ESCAPE);
    in.cameraButton = down(GLFW_KEY_V) || stick.camera;
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
