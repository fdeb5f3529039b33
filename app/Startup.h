#pragma once
#include "app/Resolution.h"

#include <iosfwd>
#include <string>

struct GLFWwindow;

// What the command line can set. Width and height end up in xResolution and yResolution; the other two are
// only needed to open the window.
struct StartupSettings {
    int xResolution = 1280;
    int yResolution = 720;
    bool fullscreen = false;
    int refreshRate = 60;
};

// Reads up to four positional arguments (width, height, fullscreen 0/1, refresh rate) into settings. A single
// argument is ignored; with two or more the start-up line goes to console first. Arguments are read in order,
// each with the stream's formatted extraction, so "1280px" reads as 1280. Returns the message for the first
// argument that cannot be read, or an empty string when all could.
std::string parseArguments(int argc, const char* const argv[], StartupSettings& settings,
                           std::ostream& console);

// parseArguments on the real console, ending the process with its message and status 1 on a bad argument.
StartupSettings readCommandLine(int argc, const char* const argv[]);

// Sizes up to this many pixels a side are what every OpenGL 4.3 driver must render into (textures and
// renderbuffers); the effects' off-screen targets have the window's size.
constexpr int maxWindowSize = 16384;

// A window of this size can be asked for: positive and within maxWindowSize.
bool windowSizePossible(int width, int height);

// Initialises GLFW and opens the game window with a current 4.3 core debug context, the cursor captured and
// the OpenGL functions loaded; alpha blending is on. xResolution and yResolution become the framebuffer's
// size. Any failure, a size that no window can have included, ends the process with status 1.
GLFWwindow* openWindow(const StartupSettings& settings);
