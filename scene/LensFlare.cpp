#include "scene/LensFlare.h"

#include "render/GlState.h"
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
    glGenQueries(1, &occlusionQuery);
}

LensFlare::~LensFlare() {
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &uvBuffer);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteQueries(1, &occlusionQuery);
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
    // Inside the cone the sun is in front of the eye, so w is positive. A projection that puts it elsewhere
    // would mirror it through the centre: then it counts as out of view.
    if (!(sunClip.w > 0.0f)) {
        sunVisible = false;
        return;
    }
    sunPosition = glm::vec2(sunClip) / sunClip.w;
    // Direction times length is the offset itself: no normalising, so a sun at the centre needs no special
    // case.
    const glm::vec2 d = sunPosition;
    elementOffsets = {d, d, -d, -d, d, 0.3f * d, 0.3f * d};
}

void LensFlare::draw() {
    if (!sunVisible)
        return;
    const float pixelX = (sunPosition.x + 1.0f) * static_cast<float>(width) * 0.5f;
    const float pixelY = (sunPosition.y + 1.0f) * 0.5f * static_cast<float>(height);
    // Off the frame buffer there is no depth to test: the sun counts as hidden. The test is made before
    // truncating, so -0.5 is not taken for pixel 0.
    if (!(pixelX >= 0.0f && pixelX < static_cast<float>(width) && pixelY >= 0.0f &&
          pixelY < static_cast<float>(height)))
        return;

    glUseProgram(shader->programId);
    glDepthMask(GL_FALSE);
    probeSunPixel(static_cast<int>(pixelX), static_cast<int>(pixelY));

    // The glow source is not the flare's: masking it keeps it intact even without blending, and saves a
    // read-modify-write of a second target for every sprite pixel.
    glColorMaski(1, GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // The GPU waits for the probe's result; the processor goes on.
    glBeginConditionalRender(occlusionQuery, GL_QUERY_WAIT);
    glUniform1f(factorLocation, 2.0f);
    drawElement(BLOOM, elementOffsets[0], 1.0f);
    drawElement(SPIKE, elementOffsets[1], 1.0f);
    drawElement(RING, elementOffsets[4], 0.5f);
    glUniform1f(factorLocation, 4.0f);
    drawElement(HALO1, elementOffsets[2], 0.75f);
    drawElement(HALO2, elementOffsets[3], 0.4f);
    drawElement(HALO1, elementOffsets[5], 0.375f);
    drawElement(HALO2, elementOffsets[6], 0.2f);
    glEndConditionalRender();
    glColorMaski(1, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
}

void LensFlare::probeSunPixel(int x, int y) {
    // Every corner of the quad lands on the centre of pixel (x, y), on the far plane (depth 1.0).
    glm::mat4 onPixel(0.0f);
    onPixel[3] =
        glm::vec4((static_cast<float>(x) + 0.5f) * 2.0f / static_cast<float>(width) - 1.0f,
                  (static_cast<float>(y) + 0.5f) * 2.0f / static_cast<float>(height) - 1.0f, 1.0f, 1.0f);
    glUniformMatrix4fv(textureMatrixLocation, 1, GL_FALSE, glm::value_ptr(onPixel));
    const ScopedGlState state;
    GlState::setDepthTest(true);
    GlState::setDepthFunc(GL_LEQUAL);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glBeginQuery(GL_ANY_SAMPLES_PASSED, occlusionQuery);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_POINTS, 0, 1);
    glBindVertexArray(0);
    glEndQuery(GL_ANY_SAMPLES_PASSED);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
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
