#pragma once
#include "scene/GameObject.h"

#include <string>

class btRigidBody;

namespace tavo::util {
class PhysxHandler;
}

namespace tavo::scene {

// A boost can floating over the terrain: it spins about the vertical while its glowing effect tumbles around
// it. A trigger sphere of radius 10 reports the jet; after each pickup the can moves to a new random place.
class Boost : public GameObject {
public:
    Boost(const glm::mat4& model, Shader* shader, const std::string& modelPath, util::PhysxHandler* physics);

    void update(float deltaTime, GLFWwindow* window) override;
    void draw() override;
    // Can and effect with "glow" at 1, each with its own matrix; "glow" is 0 again afterwards.
    void drawWithShader() override;

    // Indices that draw() submits: the current can and the effect (for the drawn-vertex count).
    unsigned int drawnIndexCount() const;

    void reposition();
    // The detailed "can_low" near the jet (below 100), "can" from 100 on.
    void selectCan(float distance);

    // Indices into meshes, -1 where the model lacks the mesh (that mesh is then not drawn).
    int canMesh = -1;
    int effectMesh = -1;
    int canLowMesh = -1;
    int currentCan = -1;
    btRigidBody* actor = nullptr;
    glm::vec3 scale{15.0f};
    glm::mat4 effectSpin{1.0f};

private:
    void placeMeshes();
    void drawMesh(int index);

    util::PhysxHandler* physics;
};

} // namespace tavo::scene
