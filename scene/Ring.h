#pragma once
#include "scene/GameObject.h"

#include <string>

class btRigidBody;

namespace tavo::util {
class PhysxHandler;
}

namespace tavo::scene {

// The gate the player flies through. One mesh per level of detail (mesh 0 the nearest), a trigger sphere of
// radius 11 that reports the jet, and a slow spin in its own plane. Placed at random where no terrain lies
// above it.
class Ring : public GameObject {
public:
    Ring(const glm::mat4& model, Shader* shader, const std::string& modelPath, util::PhysxHandler* physics);

    void update(float deltaTime, GLFWwindow* window) override;
    // The current level only; a model without meshes draws nothing.
    void draw() override;
    void drawWithMaterial(GLint shininessLocation, GLint specularLocation, GLint diffuseLocation) override;
    void drawWithShader() override;
    virtual unsigned int getIndexCount();

    // A new random place (clock and rand), the trigger moved with it. No terrain test.
    void reposition();
    // The first level i with 100 + 200 i beyond the distance; past the last threshold the level stays.
    void selectLevel(float distance);

    unsigned int levelCount = 0;
    unsigned int currentLevel = 0;
    btRigidBody* actor = nullptr;

private:
    Mesh* currentMesh();

    util::PhysxHandler* physics;
};

} // namespace tavo::scene
