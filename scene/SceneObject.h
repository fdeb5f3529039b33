#pragma once
#include "scene/InputState.h"

#include <glm/glm.hpp>

struct GLFWwindow;

namespace tavo::scene {

// Base of everything the game updates or draws. Holds the model matrix and the game's one input record.
class SceneObject {
public:
    explicit SceneObject(const glm::mat4& model) : modelMatrix(model), input(sharedInput) {}
    virtual ~SceneObject() = default;
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    virtual void update(float deltaTime, GLFWwindow* window) = 0;
    virtual void draw() = 0;

    glm::mat4 modelMatrix;
    InputState* input;
};

} // namespace tavo::scene
