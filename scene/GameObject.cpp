#include "scene/GameObject.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>

namespace tavo::scene {

glm::mat4 rotate(const glm::mat4& matrix, float angle, const glm::vec3& axis) {
    return glm::rotate(matrix, angle, axis);
}

GameObject::GameObject(const glm::mat4& model, Shader* shader)
    : SceneObject(rotate(model, -1.5707964f, glm::vec3(1.0f, 0.0f, 0.0f))), shader(shader) {}

GameObject::GameObject(const glm::mat4& model, Shader* shader, const std::string& modelPath)
    : GameObject(model, shader) {
    Assimp::Importer importer;
    addMeshes(importer.ReadFile(modelPath, modelimport::postProcessFlags));
}

GameObject::~GameObject() {
    while (!meshes.empty())
        meshes.pop_back();
}

void GameObject::addMeshes(const aiScene* scene) {
    // A file without geometry comes back flagged incomplete, with a skeleton mesh Assimp made up for viewers.
    if (!scene || !scene->mMeshes || scene->mNumMeshes == 0 || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE))
        return;
    for (unsigned int i = 0; i < scene->mNumMeshes; ++i)
        meshes.push_back(std::make_unique<Mesh>(scene, i, modelMatrix, shader));
}

void GameObject::draw() {
    for (auto& mesh : meshes)
        mesh->draw();
}

void GameObject::drawWithMaterial(GLint shininessLocation, GLint specularLocation, GLint diffuseLocation) {
    for (auto& mesh : meshes)
        mesh->drawWithMaterial(shininessLocation, specularLocation, diffuseLocation);
}

void GameObject::drawWithSpecular(GLint shininessLocation, GLint specularLocation) {
    for (auto& mesh : meshes)
        mesh->drawWithSpecular(shininessLocation, specularLocation);
}

void GameObject::drawWithShader() {
    for (auto& mesh : meshes)
        mesh->drawWithShader();
}

int GameObject::findMesh(const std::string& name) const {
    for (size_t i = 0; i < meshes.size(); ++i)
        if (meshes[i]->name == name)
            return static_cast<int>(i);
    return -1;
}

} // namespace tavo::scene
