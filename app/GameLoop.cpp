#include "app/GameLoop.h"

#include "app/FrameSteps.h"
#include "app/GameState.h"
#include "app/Resolution.h"
#include "app/SceneGlobals.h"
#include "render/GlState.h"
#include "scene/InputState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

void gameLoop(GLFWwindow* window) {
    double previousTime = glfwGetTime();
    while (!glfwWindowShouldClose(window))
        runFrame(window, previousTime);
}

void applyDebugSwitches(const InputState& input) {
    if (input.wireframeHeld) {
        GlState::setPolygonMode(input.wireframe ? GL_LINE : GL_FILL);
        wireframeMessageTimer = 2.0f;
    }
    if (input.transparencyHeld) {
        GlState::setBlend(input.transparency);
        transparencyMessageTimer = 2.0f;
    }
    if (input.frameTimeHeld)
        frameTimeMessageTimer = 2.0f;
    if (input.cullingHeld)
        cullingMessageTimer = 2.0f;
    if (input.samplingHeld)
        samplingMessageTimer = 2.0f;
    if (input.mipmapHeld)
        mipmapMessageTimer = 2.0f;
    if (input.samplingHeld || input.mipmapHeld || !samplingApplied) {
        samplingApplied = true;
        applyTextureSamplingFor(input.mipmapMode, input.bilinearSampling);
    }
}

bool advanceZoom(float& zoom, bool boosting, float dt) {
    if (boosting) {
        if (zoom < 1.2f) {
            zoom += dt / 10.0f;
            return true;
        }
        return false;
    }
    if (zoom > 1.0f) {
        zoom -= dt / 10.0f;
        return true;
    }
    if (zoom != 1.0f) {
        zoom = 1.0f;
        return true;
    }
    return false;
}

void rebuildProjection() {
    const float fovY = tavo::scene::fieldOfViewY(zoomFactor);
    const float ratio = static_cast<float>(xResolution) / static_cast<float>(yResolution);
    projectionMatrix = tavo::scene::perspectiveProjection(fovY, ratio);
    if (viewFrustum)
        viewFrustum->setInternals(fovY, ratio, 0.1f, 10000.0f);
    if (basicShader) {
        glUseProgram(basicShader->programId);
        glUniformMatrix4fv(basicProjectionLoc, 1, GL_FALSE, glm::value_ptr(projectionMatrix));
    }
    if (colorShader) {
        glUseProgram(colorShader->programId);
        glUniformMatrix4fv(colorProjectionLoc, 1, GL_FALSE, glm::value_ptr(projectionMatrix));
    }
    if (textShader) {
        const glm::mat4 textProjection =
            glm::ortho(0.0f, static_cast<float>(xResolution), 0.0f, static_cast<float>(yResolution));
        glUseProgram(textShader->programId);
        glUniformMatrix4fv(textProjectionLoc, 1, GL_FALSE, glm::value_ptr(textProjection));
    }
}

void advanceGameClock(float dt) {
    if (gameTimeLeft >= 0.0f)
        gameTimeLeft -= dt;
    if (gameTimeLeft < 0.0f)
        gameOver = true;
}

void advanceFrame(GLFWwindow* window, float dt, FrameStepListener* listener) {
    const bool boosting = sharedInput && sharedInput->boostButton && boostReserveLeft() > 0.0f;
    if (sharedInput) {
        applyDebugSwitches(*sharedInput);
        if (advanceZoom(zoomFactor, boosting, dt))
            rebuildProjection();
    }

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (listener)
        listener->stepBegins(FrameStep::WorldUpdate);
    updateWorld(window, dt);
    if (listener)
        listener->stepEnds(FrameStep::WorldUpdate);
    if (gameSound)
        gameSound->update(dt, boosting && !gameOver, gameOver);
    advanceGameClock(dt);
    renderFrame(dt, listener);
}

void runFrame(GLFWwindow* window, double& previousTime) {
    const double now = glfwGetTime();
    const float dt = static_cast<float>(now - previousTime);
    previousTime = now;
    advanceFrame(window, dt);
    glfwSwapBuffers(window);
    glfwPollEvents();
    if (sharedInput && sharedInput->escapeKey)
        glfwSetWindowShouldClose(window, GLFW_TRUE);
}
