#include "scene/Ring.h"

#include "scene/Placement.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>

namespace tavo::scene {

namespace {
constexpr float triggerRadius = 11.0f;
constexpr float spinRate = 0.7853982f;
} // namespace

Ring::Ring(const glm::mat4& model, Shader* shader, const std::string& modelPath, util::PhysxHandler* physics)
    : GameObject(model, shader, modelPath), physics(physics) {
    boundingRadius = triggerRadius;
    if (physics) {
        actor = physics->createTriggerSphere(triggerRadius, glm::vec3(modelMatrix[3]));
        physics->ringActor = actor;
    }
    levelCount = static_cast<unsigned int>(meshes.size());
    // At start the ring is tested against "Grid_right" posed as the centre piece.
    placeClear([this] { reposition(); },
               [this, physics] { return physics && terrainAbove(*physics, actor, rightTile, centreTile); });
}

void Ring::reposition() {
    const Placement p = nextPlacement();
    // A positive quarter turn: the model's z points down, so the centre is at height -h.
    modelMatrix =
        glm::translate(rotate(glm::mat4(1.0f), 1.5707964f, glm::vec3(1, 0, 0)), glm::vec3(p.a, p.b, p.h));
    modelMatrix = rotate(modelMatrix, p.turn, glm::vec3(0, 0, 1));
    if (physics)
        physics->setGlobalPose(actor, glm::vec3(p.a, -p.h, p.b));
}

void Ring::update(float deltaTime, GLFWwindow*) {
    modelMatrix = rotate(modelMatrix, deltaTime * spinRate, glm::vec3(0, 1, 0));
}

void Ring::selectLevel(float distance) {
    for (unsigned int i = 0; i < levelCount; ++i)
        if (static_cast<float>(100 + 200 * i) > distance) {
            currentLevel = i;
            return;
        }
}

Mesh* Ring::currentMesh() {
    return currentLevel < meshes.size() ? meshes[currentLevel].get() : nullptr;
}

void Ring::draw() {
    if (Mesh* mesh = currentMesh())
        mesh->draw();
}

void Ring::drawWithMaterial(GLint shininessLocation, GLint specularLocation, GLint diffuseLocation) {
    if (Mesh* mesh = currentMesh())
        mesh->drawWithMaterial(shininessLocation, specularLocation, diffuseLocation);
}

void Ring::drawWithShader() {
    if (Mesh* mesh = currentMesh())
        mesh->drawWithShader();
}

unsigned int Ring::getIndexCount() {
    const Mesh* mesh = currentMesh();
    return mesh ? mesh->indexCount : 0;
}

} // namespace tavo::scene
