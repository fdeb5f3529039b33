// Windlap: a small arcade flying game.
//
// Everything runs on this one thread: start-up reads the command line and opens the one window and context,
// scene assembly creates every long-lived object as an owning global, the game loop then runs one unpaced
// frame per iteration (input, world update, render passes, swap) until the window is asked to close, and
// teardown deletes the scene while the context still exists. Start-up failures end the process with status 1
// from the place they happen; nothing here throws.
#include "app/GameLoop.h"
#include "app/SceneAssembly.h"
#include "app/Startup.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

int main(int argc, char* argv[]) {
    StartupSettings settings = readCommandLine(argc, argv);
    GLFWwindow* window = openWindow(settings);
    assembleScene(window);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glViewport(0, 0, xResolution, yResolution);
    gameLoop(window);
    teardownScene();
    glfwTerminate();
    return 0;
}
