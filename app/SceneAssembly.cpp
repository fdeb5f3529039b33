#include "app/SceneAssembly.h"

#include "app/GameState.h"
#include "app/SceneGlobals.h"
#include "scene/InputState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

void assembleScene(GLFWwindow* window) {
    glEnable(GL_DEPTH_TEST);
    glfwSetWindowTitle(window, "Windlap");
    int w = 0;
    int h = 0;
    glfwGetWindowSize(window, &w, &h);

    createInputState(window);
    viewFrustum = std::make_unique<tavo::scene::ViewFrustum>();
    const float fovY = tavo::scene::fieldOfViewY(1.0f);
    const float ratio = static_cast<float>(w) / static_cast<float>(h);
    projectionMatrix = tavo::scene::perspectiveProjection(fovY, ratio);
    viewFrustum->setInternals(fovY, ratio, 0.1f, 10000.0f);
    viewMatrix = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -10.0f));
}

void teardownScene() {
    viewFrustum.reset();
    destroyInputState();
}
