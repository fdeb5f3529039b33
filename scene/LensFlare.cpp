#include "scene/LensFlare.h"

#include "scene/ScreenQuad.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace tavo::scene {

LensFlare::LensFlare(const glm::mat4& model, Shader* shader, float aspect, Camera* camera, int width,
                     int height, const std::string& bloom, const std::string& spike, const std::string& halo1,
                     const std::string& halo2, const std::string& ring)
    : SceneObject(model), shader(shader), aspect(aspect), height(height), width(width), camera(camera) {
    createScreenQuad(0.5f, shader->programId, {vertexBuffer, indexBuffer, uvBuffer, vertexArray});
    textureMatrixLocation = glGetUniformLocation(shader->programId, "textureMatrix");
    factorLocation = glGetUniformLocation(shader->programId, "factor");
    textures[BLOOM] = std::make_unique<Texture>(bloom);
    textures[SPIKE] = std::make_unique<Texture>(spike);
    textures[HALO1] = std::make_unique<Texture>(halo1);
    textures[HALO2] = std::make_unique<Texture>(halo2);
    textures[RING] = std::make_unique<Texture>(ring);
}

LensFlare::~LensFlare() {
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &uvBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

void LensFlare::updatePositions(const glm::mat4& view, const glm::mat4& projection) {
    const glm::vec3 toSun = sunDirection * (1.0f / glm::length(sunDirection));
    const float viewLength = glm::length(camera->viewDirection);
    // Before the camera has computed its first view there is no direction to compare with.
    if (viewLength == 0.0f) {
        sunVisible = false;
    } else {
        const glm::vec3 looking = camera->viewDirection * (1.0f / viewLength);
        sunVisible = static_cast<double>(glm::dot(looking, toSun)) > 0.573;
    }

    sunClip = projection * glm::vec4(glm::mat3(view) * sunDirection, 1.0f);
    // Direction times length is the offset itself: no normalising, so a sun at the centre needs no special
    // case.
    const glm::vec2 d(sunClip.x, sunClip.y);
    elementOffsets = {d, d, -d, -d, d, 0.3f * d, 0.3f * d};
}

void LensFlare::draw() {
    if (!sunVisible)
        return;
    const float pixelX = (sunClip.x + 1.0f) * static_cast<float>(width) * 0.5f;
    const float pixelY = (sunClip.y + 1.0f) * 0.5f * static_cast<float>(height);
    // Off the frame buffer there is no depth to read: the sun counts as hidden. The test is made before
    // truncating, so -0.5 is not taken for pixel 0.
    if (!(pixelX >= 0.0f && pixelX < static_cast<float>(width) && pixelY >= 0.0f &&
          pixelY < static_cast<float>(height)))
        return;
    GLfloat depth = 0.0f;
    glReadPixels(static_cast<GLint>(pixelX), static_cast<GLint>(pixelY), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                 &depth);
    if (depth != 1.0f)
        return;

    glDepthMask(GL_FALSE);
    // The glow source is not the flare's: masking it keeps it intact even without blending, and saves a
    // read-modify-write of a second target for every sprite pixel.
    glColorMaski(1, GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glUseProgram(shader->programId);
    glUniform1f(factorLocation, 2.0f);
    drawElement(BLOOM, elementOffsets[0], 1.0f);
    drawElement(SPIKE, elementOffsets[1], 1.0f);
    drawElement(RING, elementOffsets[4], 0.5f);
    glUniform1f(factorLocation, 4.0f);
    drawElement(HALO1, elementOffsets[2], 0.75f);
    drawElement(HALO2, elementOffsets[3], 0.4f);
    drawElement(HALO1, elementOffsets[5], 0.375f);
    drawElement(HALO2, elementOffsets[6], 0.2f);
    glColorMaski(1, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
}

void LensFlare::drawElement(Sprite sprite, const glm::vec2& offset, float size) {
    const glm::mat4 placement = glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(offset, 0.0f)),
                                           glm::vec3(size, size * aspect, size));
    glUniformMatrix4fv(textureMatrixLocation, 1, GL_FALSE, glm::value_ptr(placement));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures[sprite]->textureId);
    drawScreenQuad(vertexArray);
}

void LensFlare::setTextureFilter(GLint minFilter, GLint magFilter) {
    for (const auto& texture : textures) {
        if (texture->textureId == 0)
            continue;
        glBindTexture(GL_TEXTURE_2D, texture->textureId);
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    }
}

} // namespace tavo::scene
