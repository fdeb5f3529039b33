#include "scene/Plane.h"

#include "scene/FlightModel.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace tavo::scene {

namespace {

// A moving part sits at its pivot (model coordinates) and turns about its hinge axis by the input times its
// deflection. Parts without a pivot use the jet's matrix itself.
struct Hinge {
    int Plane::*mesh;
    const char* name;
    bool pivoted;
    glm::vec3 pivot;
    glm::vec3 axis;
    float InputState::*input;
    float degreesPerInput;
};

const Hinge hinges[] = {
    {&Plane::body, "Plane", false, {}, {}, nullptr, 0.0f},
    {&Plane::rearWingLeft,
     "rearWing_left",
     true,
     {-1.82155f, -6.70701f, 0.01233f},
     {1, 0, 0},
     &InputState::pitchAxis,
     -10.0f},
    {&Plane::rearWingRight,
     "rearWing_right",
     true,
     {1.82155f, -6.70701f, 0.01233f},
     {1, 0, 0},
     &InputState::pitchAxis,
     -10.0f},
    {&Plane::wingLeft,
     "wing_left",
     true,
     {-3.02748f, -3.51338f, 0.18247f},
     {1, 0, 0},
     &InputState::rollAxis,
     -22.0f},
    {&Plane::wingRight,
     "wing_right",
     true,
     {3.02748f, -3.51338f, 0.18247f},
     {1, 0, 0},
     &InputState::rollAxis,
     22.0f},
    {&Plane::topWingLeft,
     "topWing_left",
     true,
     {-1.21618f, -5.60603f, 1.4479f},
     {0, 0, 1},
     &InputState::yawAxis,
     -22.0f},
    {&Plane::topWingRight,
     "topWing_right",
     true,
     {1.22037f, -5.60356f, 1.45777f},
     {0, 0, 1},
     &InputState::yawAxis,
     -22.0f},
    {&Plane::hatMesh, "hat", true, {0.0f, 2.87214f, 1.31086f}, {}, nullptr, 0.0f},
    {&Plane::windowMesh, "window", false, {}, {}, nullptr, 0.0f},
};

// The gauge: a bar in normalised device coordinates, 0.4 wide and 0.1 high, at the lower left.
const float gaugePositions[] = {-0.5f, -0.8f, 0.0f, -0.5f, -0.9f, 0.0f,
                                -0.9f, -0.9f, 0.0f, -0.9f, -0.8f, 0.0f};
const GLuint gaugeIndices[] = {0, 1, 2, 0, 2, 3};
const float gaugeUvs[] = {1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

GLuint makeBuffer(GLenum target, const void* data, GLsizeiptr bytes) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, bytes, data, GL_STATIC_DRAW);
    return buffer;
}

void pointAttribute(GLuint program, const char* name, GLuint buffer, GLint components) {
    const GLint location = glGetAttribLocation(program, name);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    if (location < 0)
        return;
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE, 0, nullptr);
}

} // namespace

Plane::Plane(const glm::mat4& model, Shader* shader, const std::string& modelPath,
             const std::string& diffusePath, const std::string& glowPath, util::PhysxHandler* physics)
    : GameObject(model, shader, modelPath), physics(physics) {
    diffuseTexture = std::make_unique<Texture>(diffusePath);
    glowMap = std::make_unique<Texture>(glowPath);
    boundingRadius = 5.0f;

    for (const Hinge& hinge : hinges)
        this->*hinge.mesh = findMesh(hinge.name);

    modelCorrection =
        rotate(rotate(glm::mat4(1.0f), 1.5707964f, glm::vec3(1, 0, 0)), 3.1415927f, glm::vec3(0, 1, 0));

    if (physics) {
        actor = physics->createPlaneBody(glm::vec3(modelMatrix[3]));
        physics->setDamping(actor, 1.0f, 10.0f);
        physics->planeActor = actor;
    }

    boostGaugeShader =
        std::make_unique<Shader>(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/boost.frag");
    const GLuint program = boostGaugeShader->programId;
    glUseProgram(program);
    // The index buffer is bound while the vertex array is, which records it.
    glGenVertexArrays(1, &gaugeVao);
    glBindVertexArray(gaugeVao);
    gaugePositionBuffer = makeBuffer(GL_ARRAY_BUFFER, gaugePositions, sizeof(gaugePositions));
    gaugeIndexBuffer = makeBuffer(GL_ELEMENT_ARRAY_BUFFER, gaugeIndices, sizeof(gaugeIndices));
    gaugeUvBuffer = makeBuffer(GL_ARRAY_BUFFER, gaugeUvs, sizeof(gaugeUvs));
    pointAttribute(program, "position", gaugePositionBuffer, 3);
    pointAttribute(program, "uv", gaugeUvBuffer, 2);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    amountLocation = glGetUniformLocation(program, "amount");
    const glm::mat4 identity(1.0f);
    glUniformMatrix4fv(glGetUniformLocation(program, "textureMatrix"), 1, GL_FALSE, glm::value_ptr(identity));

    placeParts();
}

Plane::~Plane() {
    diffuseTexture.reset();
    glowMap.reset();
    glDeleteBuffers(1, &gaugeIndexBuffer);
    glDeleteBuffers(1, &gaugePositionBuffer);
    glDeleteBuffers(1, &gaugeUvBuffer);
    glDeleteVertexArrays(1, &gaugeVao);
    boostGaugeShader.reset();
}

void Plane::update(float, GLFWwindow*) {
    if (actor)
        modelMatrix = glm::translate(glm::mat4(1.0f), util::PhysxHandler::getGlobalPosition(actor)) *
                      glm::mat4_cast(util::PhysxHandler::getGlobalRotation(actor)) * modelCorrection;
    placeParts();
}

void Plane::fly(float deltaTime) {
    if (!actor || !physics)
        return;
    const glm::quat rotation = util::PhysxHandler::getGlobalRotation(actor);
    const FlightCommand command = steer(input, rotation, crashed, boostReserve, deltaTime);
    physics->addVelocityChangeRate(actor, forwardAxis(rotation) * command.speed,
                                   command.angularVelocity * turnResponse);
}

void Plane::placeParts() {
    for (const Hinge& hinge : hinges) {
        const int index = this->*hinge.mesh;
        if (index < 0)
            continue;
        glm::mat4 matrix = modelMatrix;
        if (hinge.pivoted)
            matrix = glm::translate(matrix, hinge.pivot);
        if (hinge.input) {
            const float deflection = input ? input->*hinge.input : 0.0f;
            matrix = rotate(matrix, deflection * hinge.degreesPerInput * degree, hinge.axis);
        }
        meshes[index]->modelMatrix = matrix;
    }
}

void Plane::drawPart(int index, const glm::mat4& lightMatrix, GLint shadowMatrixLocation) {
    const glm::mat4& model = meshes[index]->modelMatrix;
    glUniformMatrix4fv(shader->modelLoc, 1, GL_FALSE, glm::value_ptr(model));
    if (shadowMatrixLocation >= 0) {
        const glm::mat4 shadow = lightMatrix * model;
        glUniformMatrix4fv(shadowMatrixLocation, 1, GL_FALSE, glm::value_ptr(shadow));
    }
    meshes[index]->drawWithShader();
}

void Plane::drawWithSpecular(GLint, GLint) {
    if (shader)
        drawParts(shader->modelLoc);
}

void Plane::drawParts(GLint modelLocation) {
    for (size_t i = 0; i < meshes.size(); ++i) {
        if (static_cast<int>(i) == hatMesh && !wearsHat)
            continue;
        glUniformMatrix4fv(modelLocation, 1, GL_FALSE, glm::value_ptr(meshes[i]->modelMatrix));
        meshes[i]->draw();
    }
}

void Plane::drawWithShader() {
    drawWithShader(glm::mat4(1.0f), -1);
}

void Plane::drawWithShader(const glm::mat4& lightMatrix, GLint shadowMatrixLocation) {
    if (!shader)
        return;
    glUseProgram(shader->programId);
    for (size_t i = 0; i < meshes.size(); ++i) {
        const int index = static_cast<int>(i);
        if ((index == hatMesh && !wearsHat) || index == windowMesh)
            continue;
        drawPart(index, lightMatrix, shadowMatrixLocation);
    }
    // The canopy is see-through: drawn last, over everything it covers.
    if (windowMesh >= 0)
        drawPart(windowMesh, lightMatrix, shadowMatrixLocation);
}

void Plane::drawBoostGauge() {
    glDepthMask(GL_FALSE);
    glUseProgram(boostGaugeShader->programId);
    glUniform1f(amountLocation, boostReserve / fullBoostReserve);
    glBindVertexArray(gaugeVao);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
}

} // namespace tavo::scene
