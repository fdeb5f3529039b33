#include "app/Startup.h"

#include "render/GlState.h"
#include "util/FatalError.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <iostream>
#include <sstream>

namespace {

template <typename T> bool readArgument(const char* text, T& value) {
    std::stringstream stream(text);
    stream >> value;
    return !stream.fail() && !stream.bad();
}

// Window failures happen after glfwInit, so GLFW is shut down before the key wait.
[[noreturn]] void windowFailure(const char* message) {
    std::cerr << message << std::endl;
    glfwTerminate();
    tavo::util::pauseAndExit();
}

} // namespace

std::string parseArguments(int argc, const char* const argv[], StartupSettings& settings,
                           std::ostream& console) {
    if (argc < 3)
        return "";
    console << "You are running '" << argv[0] << "' with the arguments:" << argv[1] << " and " << argv[2]
            << std::endl;
    if (!readArgument(argv[1], settings.xResolution))
        return "Error: Could not parse first element: x reolution, try again!";
    if (!readArgument(argv[2], settings.yResolution))
        return "Error: Could not parse second element: y resolution, try again!";
    if (argc >= 4 && !readArgument(argv[3], settings.fullscreen))
        return "Error: Could not parse third element: fullscreen, try again!";
    if (argc >= 5 && !readArgument(argv[4], settings.refreshRate))
        return "Error: Could not parse fourth element: refresh rate, try again!";
    return "";
}

StartupSettings readCommandLine(int argc, const char* const argv[]) {
    StartupSettings settings;
    std::string error = parseArguments(argc, argv, settings, std::cout);
    if (!error.empty())
        tavo::util::fatalError(error);
    return settings;
}

bool windowSizePossible(int width, int height) {
    return width > 0 && height > 0 && width <= maxWindowSize && height <= maxWindowSize;
}

GLFWwindow* openWindow(const StartupSettings& settings) {
    if (!glfwInit())
        tavo::util::fatalError("ERROR: Could not init glfw");
    // GLFW asserts on a negative size and X refuses one beyond its 16-bit limit with an error of its own:
    // those end as any refused window does.
    if (!windowSizePossible(settings.xResolution, settings.yResolution))
        windowFailure("ERROR: Could not open window");
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    // The viewport, the projection and the off-screen targets keep the size of the start: a window that could
    // be resized would show the picture cropped or in a corner. Full screen ignores the hint.
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    GLFWmonitor* monitor = nullptr;
    if (settings.fullscreen) {
        monitor = glfwGetPrimaryMonitor();
        glfwWindowHint(GLFW_REFRESH_RATE, settings.refreshRate);
    }
    GLFWwindow* window =
        glfwCreateWindow(settings.xResolution, settings.yResolution, "Hello TAVO", monitor, nullptr);
    if (!window)
        windowFailure("ERROR: Could not open window");
    // A captured cursor reads as an unbounded relative position, which the orbit camera steers by.
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
    glfwMakeContextCurrent(window);
    // Core profiles need this for GLEW to look up every entry point instead of trusting the extension string.
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        windowFailure("ERROR: Could not load glew");
    // Full screen takes the monitor's nearest video mode, and a scaled desktop has more pixels than window
    // units: what the game draws into is the framebuffer, whatever was asked for.
    glfwGetFramebufferSize(window, &xResolution, &yResolution);
    // Paced by the display; the frame time stays the measured time between frames.
    glfwSwapInterval(1);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    GlState::reset({true, false, GL_LESS, GL_FILL});
    // The sky box's faces filtered across their edges: no seams on drivers that filter face by face.
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    return window;
}
