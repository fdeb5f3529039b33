#include "scene/TextureOverlay.h"

#include "scene/ScreenQuad.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace tavo::scene {

TextureOverlay::TextureOverlay(const glm::mat4& model, Shader* shader, float aspect, const std::string& path)
    : SceneObject(model), shader(shader), aspect(aspect) {
    createScreenQuad(1.0f, shader->programId, {vertexBuffer, indexBuffer, uvBuffer, vertexArray});
    textureMatrixLocation = glGetUniformLocation(shader->programId, "textureMatrix");
    factorLocation = glGetUniformLocation(shader->programId, "factor");
    texture = std::make_unique<Texture>(path);
}

TextureOverlay::~TextureOverlay() {
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &uvBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

void TextureOverlay::update(float deltaTime, GLFWwindow*) {
    remaining -= deltaTime;
}

void TextureOverlay::draw() {
    glDepthMask(GL_FALSE);
    glUseProgram(shader->programId);
    glUniform1f(factorLocation, remaining / duration);
    const glm::mat4 placement = glm::scale(modelMatrix, glm::vec3(1.0f / aspect, 1.0f, 1.0f));
    glUniformMatrix4fv(textureMatrixLocation, 1, GL_FALSE, glm::value_ptr(placement));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->textureId);
    drawScreenQuad(vertexArray);
    glDepthMask(GL_TRUE);
}

} // namespace tavo::scene
