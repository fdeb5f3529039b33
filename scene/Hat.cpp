#include "scene/Hat.h"

#include "scene/Placement.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace tavo::scene {

namespace {
constexpr float triggerRadius = 10.0f;
constexpr float spinRate = 1.5707964f;
constexpr float nearDistance = 200.0f;
} // namespace

Hat::Hat(const glm::mat4& model, Shader* shader, const std::string& modelPath, util::PhysxHandler* physics)
    : GameObject(model, shader, modelPath), physics(physics) {
    hatLowMesh = findMesh("hat_low");
    hatHighMesh = findMesh("hat");
    boundingRadius = triggerRadius;
    for (int column = 0; column < 3; ++column)
        modelMatrix[column] *= scale[column];
    if (physics) {
        actor = physics->createTriggerSphere(triggerRadius, glm::vec3(modelMatrix[3]));
        physics->hatActor = actor;
    }
    placeClear([this] { reposition(); },
               [this, physics] { return physics && terrainAbove(*physics, actor); });
}

void Hat::reposition() {
    const Placement p = nextPlacement();
    modelMatrix =
        glm::translate(rotate(glm::mat4(1.0f), -1.5707964f, glm::vec3(1, 0, 0)), glm::vec3(p.a, p.b, p.h)) *
        glm::scale(glm::mat4(1.0f), scale);
    modelMatrix = rotate(modelMatrix, p.turn, glm::vec3(0, 0, 1));
    if (physics && actor)
        physics->setGlobalPose(actor, glm::vec3(p.a, p.h, -p.b));
}

void Hat::update(float deltaTime, GLFWwindow*) {
    modelMatrix = rotate(modelMatrix, deltaTime * spinRate, glm::vec3(0, 0, 1));
}

void Hat::selectMesh(float distance) {
    currentMesh = distance < nearDistance ? hatHighMesh : hatLowMesh;
}

void Hat::collect() {
    if (collected)
        return;
    if (physics && actor)
        physics->release(actor);
    actor = nullptr;
    collected = true;
}

unsigned int Hat::drawnIndexCount() const {
    const Mesh* mesh = meshToDraw();
    return mesh ? mesh->indexCount : 0;
}

Mesh* Hat::meshToDraw() const {
    return currentMesh >= 0 && static_cast<size_t>(currentMesh) < meshes.size() ? meshes[currentMesh].get()
                                                                                : nullptr;
}

void Hat::draw() {
    if (Mesh* mesh = meshToDraw())
        mesh->draw();
}

void Hat::drawWithShader() {
    Mesh* mesh = meshToDraw();
    if (!mesh)
        return;
    glUseProgram(shader->programId);
    glUniformMatrix4fv(shader->modelLoc, 1, GL_FALSE, glm::value_ptr(modelMatrix));
    mesh->drawWithShader();
}

} // namespace tavo::scene
