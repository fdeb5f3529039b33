#pragma once
#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

namespace tavo::scene {

// The sun's depth map: a 2048 x 2048 depth texture with comparison, rendered by the shadow pass and compared
// against by the lit programs through biasMatrix x lightProjection x lightView x model. The sun's view
// follows the camera, so the 2000 x 2000 unit footprint moves with the player; outside it every lookup reads
// lit.
//
// Texture unit 2: the constructor binds the depth texture there and leaves unit 2 active; nothing else uses
// the unit, so it stays bound for the whole run. The constructor also leaves the depth program in use.
// draw binds the frame buffer (no viewport, no clear); updateLight makes the depth program current.
class ShadowMap : public SceneObject {
public:
    ShadowMap(const glm::mat4& model, const glm::vec3* sunDirection, Shader* depthShader);
    ~ShadowMap() override;

    void update(float, GLFWwindow*) override {}
    void draw() override;

    // Aims the sun at the camera's position and uploads the view to the depth program.
    void updateLight(const glm::vec3& cameraPosition);

    // Whether any of the box between the corners lo and hi, placed by "model", lies in the sun's view volume.
    // Nothing outside it reaches the map, so the shadow pass leaves it out.
    bool boxInLight(const glm::mat4& model, const glm::vec3& lo, const glm::vec3& hi) const;
    // The same for a sphere, taken as the box around it.
    bool sphereInLight(const glm::vec3& centre, float radius) const;

    glm::mat4 lightView{1.0f};
    glm::mat4 lightProjection{1.0f};
    glm::mat4 biasMatrix{1.0f};
    GLint modelLocation = -1;
    int size = 2048;
    GLuint depthTexture = 0;
    GLint viewLocation = -1;
    GLuint framebuffer = 0;
    const glm::vec3* sunDirection;
    Shader* shader;
};

} // namespace tavo::scene
