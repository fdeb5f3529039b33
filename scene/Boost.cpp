#include "scene/Boost.h"

#include "scene/Placement.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace tavo::scene {

namespace {
constexpr float triggerRadius = 10.0f;
constexpr float spinRate = 0.7853982f;
constexpr float tumbleRate = 3.1415927f;
constexpr float nearDistance = 100.0f;
} // namespace

Boost::Boost(const glm::mat4& model, Shader* shader, const std::string& modelPath,
             util::PhysxHandler* physics)
    : GameObject(model, shader, modelPath), physics(physics) {
    canMesh = findMesh("can");
    effectMesh = findMesh("effect");
    canLowMesh = findMesh("can_low");
    currentCan = canMesh;
    boundingRadius = triggerRadius;
    for (int column = 0; column < 3; ++column)
        modelMatrix[column] *= scale[column];
    if (physics) {
        actor = physics->createTriggerSphere(triggerRadius, glm::vec3(modelMatrix[3]));
        physics->boostActor = actor;
    }
    placeClear([this] { reposition(); },
               [this, physics] { return physics && terrainAbove(*physics, actor); });
}

void Boost::reposition() {
    const Placement p = nextPlacement();
    modelMatrix =
        glm::translate(rotate(glm::mat4(1.0f), -1.5707964f, glm::vec3(1, 0, 0)), glm::vec3(p.a, p.b, p.h)) *
        glm::scale(glm::mat4(1.0f), scale);
    modelMatrix = rotate(modelMatrix, p.turn, glm::vec3(0, 0, 1));
    if (physics)
        physics->setGlobalPose(actor, glm::vec3(p.a, p.h, -p.b));
    placeMeshes();
}

void Boost::update(float deltaTime, GLFWwindow*) {
    modelMatrix = rotate(modelMatrix, deltaTime * spinRate, glm::vec3(0, 0, 1));
    effectSpin = rotate(effectSpin, deltaTime * tumbleRate, glm::vec3(1, 1, 1));
    placeMeshes();
}

void Boost::placeMeshes() {
    for (auto& mesh : meshes)
        mesh->modelMatrix = modelMatrix;
    if (effectMesh >= 0)
        meshes[effectMesh]->modelMatrix = meshes[effectMesh]->modelMatrix * effectSpin;
}

void Boost::selectCan(float distance) {
    currentCan = distance < nearDistance ? canLowMesh : canMesh;
}

unsigned int Boost::drawnIndexCount() const {
    unsigned int count = 0;
    for (int index : {currentCan, effectMesh})
        if (index >= 0)
            count += meshes[index]->indexCount;
    return count;
}

void Boost::draw() {
    if (currentCan >= 0)
        meshes[currentCan]->draw();
    if (effectMesh >= 0)
        meshes[effectMesh]->draw();
}

void Boost::drawMesh(int index) {
    if (index < 0)
        return;
    glUniformMatrix4fv(shader->modelLoc, 1, GL_FALSE, glm::value_ptr(meshes[index]->modelMatrix));
    meshes[index]->drawWithShader();
}

void Boost::drawWithShader() {
    if (!shader)
        return;
    glUseProgram(shader->programId);
    glUniform1f(shader->glowLoc, 1.0f);
    drawMesh(currentCan);
    drawMesh(effectMesh);
    glUniform1f(shader->glowLoc, 0.0f);
}

} // namespace tavo::scene
