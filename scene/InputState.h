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

// Where pollInput reads keys and the joystick. The game reads GLFW; unit tests drive their own source.
class InputSource {
public:
    virtual ~InputSource() = default;
    virtual bool keyDown(int glfwKey) = 0;
    // The key went down since the previous poll, even if it is up again: a short tap between two frames
    // still counts as one press. Cleared by forgetPresses after each poll.
    virtual bool pressedSincePoll(int glfwKey) = 0;
    virtual void forgetPresses() = 0;
    virtual bool joystickPresent() = 0;
    // Arrays of the first joystick with their element counts; null when it has none.
    virtual const unsigned char* joystickButtons(int& count) = 0;
    virtual const float* joystickAxes(int& count) = 0;
};

// The game's one input record, shared by every scene object; null until createInputState.
inline InputState* sharedInput = nullptr;

// Creates the one input record with its initial values, remembers where to poll and asks once whether
// joystick 1 is present. The window form polls GLFW; the source form is for tests (the source is not owned).
InputState* createInputState(GLFWwindow* window);
InputState* createInputState(InputSource* source);

// Deletes the record and forgets the source.
void destroyInputState();

// Reads keyboard and joystick into the shared record; does nothing before createInputState.
void pollInput();
