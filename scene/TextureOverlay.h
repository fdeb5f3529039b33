#pragma once
#include "render/Shader.h"
#include "render/Texture.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <memory>
#include <string>

namespace tavo::scene {

// One picture on a screen-space quad with a "factor" that runs from 1 down by 1 / duration per second and is
// never clamped (the programs decide what a factor below 0 means). The model matrix places the quad in clip
// space; its x is divided by aspect.
//
// Texture unit 0: draw binds the picture there. draw turns depth writes off for its quad and on again and
// leaves its program in use; blending is the caller's.
class TextureOverlay : public SceneObject {
public:
    TextureOverlay(const glm::mat4& model, Shader* shader, float aspect, const std::string& path);
    ~TextureOverlay() override;

    // Runs the factor down.
    void update(float deltaTime, GLFWwindow* window) override;
    void draw() override;

    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint uvBuffer = 0;
    GLuint vertexArray = 0;
    GLint textureMatrixLocation = -1;
    GLint factorLocation = -1;
    Shader* shader;
    std::unique_ptr<Texture> texture;
    float aspect;
    float remaining = 2.0f;
    float duration = 2.0f;
};

} // namespace tavo::scene
