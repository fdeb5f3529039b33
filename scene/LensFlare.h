#pragma once
#include "render/Shader.h"
#include "render/Texture.h"
#include "scene/Camera.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <array>
#include <memory>
#include <string>

namespace tavo::scene {

// Seven sprites along the line from the screen centre through the sun, drawn when the camera looks within
// about 55 degrees of the sun and nothing has been drawn over the sun's pixel yet.
//
// Texture unit 0: draw binds each element's sprite there; afterwards unit 0 holds the last one (halo2).
// Whether the sun's pixel is still free is decided on the GPU, so the processor never waits for the frame:
// draw tests one point on the far plane at that pixel against the bound depth buffer (GL_LEQUAL passes only
// where the depth is still the cleared 1.0) inside an occlusion query, and draws the elements under
// conditional rendering on it. It turns depth writes, and for the probe all colour writes, off; the elements
// leave draw buffer 1 (the glow source) alone; everything is on again afterwards, the depth function and
// the depth test as they were. It leaves its program in use; blending is the caller's.
//
// The sun's place on screen is its projected position (clip x and y divided by w), where the sky paints it.
// A pixel outside the frame buffer counts as hidden. The element offsets are multiples of the sun's offset
// from the centre, so a sun exactly at the centre draws all seven elements there.
class LensFlare : public SceneObject {
public:
    LensFlare(const glm::mat4& model, Shader* shader, float aspect, Camera* camera, int width, int height,
              const std::string& bloom, const std::string& spike, const std::string& halo1,
              const std::string& halo2, const std::string& ring);
    ~LensFlare() override;

    void update(float, GLFWwindow*) override {}
    void draw() override;

    // Decides whether the sun is in view and places the elements; once per world update.
    virtual void updatePositions(const glm::mat4& view, const glm::mat4& projection);

    // Regenerates the sprites' mipmaps and sets their filters.
    void setTextureFilter(GLint minFilter, GLint magFilter);

    enum Sprite { BLOOM = 0, SPIKE, HALO1, HALO2, RING };

    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint uvBuffer = 0;
    GLuint vertexArray = 0;
    GLint textureMatrixLocation = -1;
    GLint factorLocation = -1;
    Shader* shader;
    glm::vec3 sunDirection{-0.5f, 0.5f, -1.0f};
    glm::vec4 sunClip{0.0f};
    glm::vec2 sunPosition{0.0f}; // normalised device x and y of the sun, the element offsets' unit
    std::array<glm::vec2, 7> elementOffsets{};
    std::array<std::unique_ptr<Texture>, 5> textures;
    float aspect;
    bool sunVisible = false;
    int height;
    int width;
    Camera* camera;
    GLuint occlusionQuery = 0; // samples of the far-plane probe at the sun's pixel that passed

private:
    // Runs the occlusion query of a far-plane point at the pixel; leaves depth writes as they were.
    void probeSunPixel(int x, int y);
    void drawElement(Sprite sprite, const glm::vec2& offset, float size);
};

} // namespace tavo::scene
