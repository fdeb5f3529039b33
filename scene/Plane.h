#pragma once
#include "render/Texture.h"
#include "scene/GameObject.h"

#include <memory>
#include <string>

class btRigidBody;

namespace tavo::util {
class PhysxHandler;
}

namespace tavo::scene {

// The player's jet. A dynamic body carries it; before each physics step the flight model turns the steering
// axes and the boost into velocity changes of that body (fly), and each frame the jet reads its pose back
// into the model matrix and moves the control surfaces with the input (update). Also draws the boost gauge, a
// bar at the lower left of the screen.
//
// Textures: the render sequence binds diffuseTexture to unit 0 and glowMap to unit 1. The gauge's program is
// its own; drawBoostGauge turns depth writes off for its quad and back on.
class Plane : public GameObject {
public:
    Plane(const glm::mat4& model, Shader* shader, const std::string& modelPath,
          const std::string& diffusePath, const std::string& glowPath, util::PhysxHandler* physics);
    ~Plane() override;

    void update(float deltaTime, GLFWwindow* window) override;
    // Steers over the next physics step of deltaTime, which also runs the boost reserve down.
    void fly(float deltaTime);
    // Each part with its own matrix; the hat only once worn. The locations are not used: the parts' own
    // materials are not set here.
    void drawWithSpecular(GLint shininessLocation, GLint specularLocation) override;
    // The same with the program in use, each part's matrix at modelLocation: the shadow pass's depth of the
    // jet, every control surface where it is turned to.
    void drawParts(GLint modelLocation);
    // Each part with its own matrix and material, the canopy last.
    void drawWithShader() override;
    // The same, each part's shadow lookup at shadowMatrixLocation: lightMatrix (bias x light projection x
    // light view) times the part's matrix.
    void drawWithShader(const glm::mat4& lightMatrix, GLint shadowMatrixLocation);
    void drawBoostGauge();

    std::unique_ptr<Texture> diffuseTexture;
    std::unique_ptr<Texture> glowMap;
    bool wearsHat = false;
    bool crashed = false;
    float boostReserve = 5.0f;
    // Indices into meshes, -1 where the model lacks the part: such a part is simply not drawn or moved.
    int topWingLeft = -1;
    int topWingRight = -1;
    int rearWingLeft = -1;
    int rearWingRight = -1;
    int wingLeft = -1;
    int wingRight = -1;
    int body = -1;
    int hatMesh = -1;
    int windowMesh = -1;
    // The model file has +y forward and +z up; the body flies along its +z with +y up: model (x, y, z) ->
    // (-x, z, y).
    glm::mat4 modelCorrection;
    float turnResponse = 10.0f;
    btRigidBody* actor = nullptr;
    std::unique_ptr<Shader> boostGaugeShader;
    GLuint gaugePositionBuffer = 0;
    GLuint gaugeIndexBuffer = 0;
    GLuint gaugeUvBuffer = 0;
    GLuint gaugeVao = 0;
    GLint amountLocation = -1;

private:
    void placeParts();
    void drawPart(int index, const glm::mat4& lightMatrix, GLint shadowMatrixLocation);

    util::PhysxHandler* physics;
};

} // namespace tavo::scene
