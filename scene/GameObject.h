#pragma once
#include "render/Mesh.h"
#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <memory>
#include <string>
#include <vector>

struct aiScene;

namespace tavo::scene {

// The GLM rotation the game's spins and turns use: axis normalised, rotation applied on the right, column 3
// kept.
glm::mat4 rotate(const glm::mat4& matrix, float angle, const glm::vec3& axis);

// Base of everything in the world built from a model file. Models are authored z-up; the stored model matrix
// turns them y-up. Owns its meshes, not its program.
class GameObject : public SceneObject {
public:
    GameObject(const glm::mat4& model, Shader* shader);
    // Imports the model file; a file that is missing or has no meshes leaves an object that draws nothing.
    GameObject(const glm::mat4& model, Shader* shader, const std::string& modelPath);
    ~GameObject() override;

    void update(float, GLFWwindow*) override {}
    void draw() override;
    virtual void drawWithMaterial(GLint shininessLocation, GLint specularLocation, GLint diffuseLocation);
    virtual void drawWithSpecular(GLint shininessLocation, GLint specularLocation);
    virtual void drawWithShader();

    // Index of the mesh with exactly this name, or -1 when the model has none.
    int findMesh(const std::string& name) const;

    float boundingRadius = 10.0f;
    std::vector<std::unique_ptr<Mesh>> meshes;
    Shader* shader;

protected:
    // One mesh per scene mesh, in order; a null scene or one without meshes adds nothing.
    void addMeshes(const aiScene* scene);
};

// Every model is read through Assimp with mesh optimisation and identical corners joined: no triangulation,
// no generated normals. A COLLADA file gives every corner of every triangle a vertex of its own; joined, a
// vertex the surrounding triangles share is transformed once per draw instead of up to six times (the terrain
// goes from 135,000 vertices to 23,409), and the triangles stay exactly the same.
namespace modelimport {
constexpr unsigned int postProcessFlags = 0x200000 | 0x2; // aiProcess_OptimizeMeshes | JoinIdenticalVertices
}

} // namespace tavo::scene
