#pragma once
struct GLFWwindow;
struct InputState;

// Runs one frame per iteration until the window is asked to close (Escape or the window's close button). The
// loop is not paced: every frame passes its own measured time to everything that moves.
void gameLoop(GLFWwindow* window);

// One frame of the loop; previousTime is the GLFW time stamp of the previous frame and is advanced.
void runFrame(GLFWwindow* window, double& previousTime);

// Everything a frame of dt seconds does before the buffer swap: the debug switches and the zoom, the world
// update, the sound, the play time and the render passes, each step told to the listener when there is one.
class FrameStepListener;
void advanceFrame(GLFWwindow* window, float dt, FrameStepListener* listener = nullptr);

// The debug switches as the last poll left them: wireframe, blending, the notice timers and the texture
// filters.
void applyDebugSwitches(const InputState& input);

// Widens the view by 0.1 per second while the boost is in use, narrows it afterwards and snaps back to
// exactly 1. Returns true when the zoom changed, so the projection must be rebuilt.
bool advanceZoom(float& zoom, bool boosting, float dt);

// Rebuilds the projection for zoomFactor, hands it to the culling frustum and uploads it to the programs
// using it.
void rebuildProjection();

// Counts the play time down and sets gameOver once it drops below zero; then the clock stops.
void advanceGameClock(float dt);
