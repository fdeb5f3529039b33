#pragma once
#include <cstdint>

struct GLFWwindow;

// The shared record of steering axes, buttons and debug switches, filled once per frame by pollInput.
struct InputState {
    std::uint8_t helpLatch = 0;
    std::uint8_t wireframeLatch = 0;
    std::uint8_t frameTimeLatch = 0;
    std::uint8_t samplingLatch = 0;
    std::uint8_t mipmapLatch = 0;
    std::uint8_t cullingLatch = 0;
    std::uint8_t transparencyLatch = 0;
    float pitchAxis = 0.0f;
    float yawAxis = 0.0f;
    float rollAxis = 0.0f;
    std::uint8_t boostButton = 0;
    std::uint8_t spaceKey = 0;
    std::uint8_t cameraButton = 0;
    // V went down since the previous poll: also set when it was let go and pressed again in between, which
    // the held cameraButton alone cannot show.
    std::uint8_t cameraPressed = 0;
    std::uint8_t escapeKey = 0;
    std::uint8_t showHelp = 0;
    std::uint8_t wireframeHeld = 0;
    std::uint8_t wireframe = 0;
    std::uint8_t frameTimeHeld = 0;
    std::uint8_t showFrameTime = 0;
    std::uint8_t bilinearSampling = 1;
    std::uint8_t samplingHeld = 0;
    std::uint8_t mipmapHeld = 0;
    std::uint8_t culling = 1;
    std::uint8_t cullingHeld = 0;
    std::uint8_t transparencyHeld = 0;
    std::uint8_t transparency = 1;
    std::int32_t mipmapMode = 2;
};

struct GLFWgamepadstate;

// Where pollInput reads keys and joysticks. The game reads GLFW; unit tests drive their own source.
class InputSource {
public:
    virtual ~InputSource() = default;
    virtual bool keyDown(int glfwKey) = 0;
    // The key went down since the previous poll, even if it is up again: a short tap between two frames
    // still counts as one press. Cleared by forgetPresses after each poll.
    virtual bool pressedSincePoll(int glfwKey) = 0;
    virtual void forgetPresses() = 0;
    // Joysticks by GLFW number (0 to GLFW_JOYSTICK_LAST), asked at every poll: one may come or go at any
    // time.
    virtual bool joystickPresent(int jid) = 0;
    // The joystick in the standard game-pad layout; false when GLFW has no game-pad mapping for it.
    virtual bool gamepadState(int jid, GLFWgamepadstate& state) = 0;
    // Its raw arrays with their element counts; null when it has none.
    virtual const unsigned char* joystickButtons(int jid, int& count) = 0;
    virtual const float* joystickAxes(int jid, int& count) = 0;
};

// The game's one input record, shared by every scene object; null until createInputState.
inline InputState* sharedInput = nullptr;

// Creates the one input record with its initial values and remembers where to poll. The window form polls
// GLFW; the source form is for tests (the source is not owned).
InputState* createInputState(GLFWwindow* window);
InputState* createInputState(InputSource* source);

// Deletes the record and forgets the source.
void destroyInputState();

// Reads the keyboard and the joystick into the shared record; does nothing before createInputState. The
// joystick is the first connected one that GLFW maps as a game pad, else the first connected one, read by
// its raw axes 0, 1, 2 (roll, pitch, yaw) and buttons 0, 1 (boost, camera). A game pad rolls and pitches
// with its left stick, yaws with its right stick and its triggers, boosts with A or the right shoulder and
// switches the camera with B. Each stick has a radial dead zone; a stick axis out of it replaces the keys.
void pollInput();
