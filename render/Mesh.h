#pragma once
#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <string>

struct aiScene;

namespace tavo::scene {

// One drawable piece of an imported model: positions, normals and (for the textured program) texture
// coordinates in static buffers, triangle indices, a vertex array tied to one program's attributes, and the
// material colours. The imported scene is not kept. The owner uploads "model" before drawing.
class Mesh : public SceneObject {
public:
    Mesh(const aiScene* scene, unsigned int index, const glm::mat4& model, Shader* shader);
    ~Mesh() override;

    void update(float, GLFWwindow*) override {}
    void draw() override;
    void drawWithMaterial(GLint shininessLocation, GLint specularLocation, GLint diffuseLocation);
    void drawWithSpecular(GLint shininessLocation, GLint specularLocation);
    void drawWithShader();

    std::string name;
    GLuint vao = 0;
    GLuint positionBuffer = 0;
    GLuint normalBuffer = 0;
    GLuint uvBuffer = 0;
    GLuint indexBuffer = 0;
    Shader* shader;
    glm::vec3 diffuseColor{0.0f};
    glm::vec3 specularColor{0.0f};
    // Used when the model file gives no shininess.
    float shininess = 1.0f;
    unsigned int indexCount = 0;
    // The box around the finite vertices, in the mesh's own coordinates (both corners 0 without any).
    glm::vec3 boundsMin{0.0f};
    glm::vec3 boundsMax{0.0f};
};

} // namespace tavo::scene
