#include "scene/ShadowMap.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <limits>

namespace tavo::scene {

ShadowMap::ShadowMap(const glm::mat4& model, const glm::vec3* sunDirection, Shader* depthShader)
    : SceneObject(model), sunDirection(sunDirection), shader(depthShader) {
    // Clip coordinates -1..1 to texture coordinates and depth 0..1.
    biasMatrix = glm::mat4(0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f,
                           0.5f, 1.0f);

    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &depthTexture);
    glBindTexture(GL_TEXTURE_2D, depthTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, size, size, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                 nullptr);
    // Outside the map the border depth 1.0 compares as lit.
    const GLfloat border[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LESS);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depthTexture, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    lightView = glm::lookAt(glm::vec3(0.0f, 100.0f, 1.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    lightProjection = glm::ortho(-1000.0f, 1000.0f, -1000.0f, 1000.0f, 0.01f, 5000.0f);

    modelLocation = glGetUniformLocation(shader->programId, "model");
    viewLocation = glGetUniformLocation(shader->programId, "view");
    glUseProgram(shader->programId);
    glUniformMatrix4fv(glGetUniformLocation(shader->programId, "projection"), 1, GL_FALSE,
                       glm::value_ptr(lightProjection));

    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, depthTexture);
}

ShadowMap::~ShadowMap() {
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &depthTexture);
}

void ShadowMap::draw() {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void ShadowMap::updateLight(const glm::vec3& cameraPosition) {
    glUseProgram(shader->programId);
    const glm::vec3 travel = *sunDirection;
    lightView = glm::lookAt(cameraPosition - 1000.0f * travel, cameraPosition, glm::vec3(0.0f, 1.0f, 0.0f));
    // The sideways shift moves the footprint's centre towards the sun; with the game's sun that puts it under
    // the camera about 330 units lower, where the terrain lies, rather than at the camera's height.
    lightView = glm::translate(lightView, glm::vec3(1000.0f * travel.x, 0.0f, 1000.0f * travel.z));
    glUniformMatrix4fv(viewLocation, 1, GL_FALSE, glm::value_ptr(lightView));
}

bool ShadowMap::boxInLight(const glm::mat4& model, const glm::vec3& lo, const glm::vec3& hi) const {
    // The sun's projection is orthographic: clip coordinates are final, the volume is the cube -1..1.
    const glm::mat4 toClip = lightProjection * lightView * model;
    glm::vec3 least(std::numeric_limits<float>::infinity());
    glm::vec3 most(-std::numeric_limits<float>::infinity());
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p((corner & 1) ? hi.x : lo.x, (corner & 2) ? hi.y : lo.y, (corner & 4) ? hi.z : lo.z);
        const glm::vec3 clip(toClip * glm::vec4(p, 1.0f));
        // A place that is not a number cannot be judged: drawn, as everything was before the test.
        if (!std::isfinite(clip.x) || !std::isfinite(clip.y) || !std::isfinite(clip.z))
            return true;
        least = glm::min(least, clip);
        most = glm::max(most, clip);
    }
    return !(least.x > 1.0f || most.x < -1.0f || least.y > 1.0f || most.y < -1.0f || least.z > 1.0f ||
             most.z < -1.0f);
}

bool ShadowMap::sphereInLight(const glm::vec3& centre, float radius) const {
    return boxInLight(glm::mat4(1.0f), centre - glm::vec3(radius), centre + glm::vec3(radius));
}

} // namespace tavo::scene
