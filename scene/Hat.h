#pragma once
#include "scene/GameObject.h"

#include <string>

class btRigidBody;

namespace tavo::util {
class PhysxHandler;
}

namespace tavo::scene {

// The hat floating over the terrain, collected once: then its trigger leaves the physics world and the jet
// wears its own hat mesh. Spins a quarter turn per second about the vertical.
class Hat : public GameObject {
public:
    Hat(const glm::mat4& model, Shader* shader, const std::string& modelPath, util::PhysxHandler* physics);

    void update(float deltaTime, GLFWwindow* window) override;
    void draw() override;
    void drawWithShader() override;

    // Indices that draw() submits (for the drawn-vertex count).
    unsigned int drawnIndexCount() const;

    void reposition();
    // "hat" nearer than 200, "hat_low" from 200 on.
    void selectMesh(float distance);
    // Releases the trigger for good and marks the hat collected; a second call does nothing.
    void collect();

    bool collected = false;
    // Index into meshes; -1, or a mesh the model lacks, draws nothing.
    int currentMesh = 0;
    int hatLowMesh = -1;
    int hatHighMesh = -1;
    btRigidBody* actor = nullptr;
    glm::vec3 scale{10.0f};

private:
    Mesh* meshToDraw() const;

    util::PhysxHandler* physics;
};

} // namespace tavo::scene
