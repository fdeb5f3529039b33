#pragma once
#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

namespace tavo::scene {

// The frame's post-process. The colour pass renders into sceneFramebuffer: the picture (attachment 0), the
// glow source (attachment 1, what should shine) and depth. draw blurs the glow source at half the window
// size, first vertically (ver) and then horizontally (hor), and draws picture + blurred glow onto the window
// (combine).
//
// Bloom kernel: each blur is a 9-texel Gaussian (binomial weights 0.2270, 0.1946, 0.1216, 0.0541, 0.0162)
// taken with five bilinear fetches. Both blurs read a mipmap level a quarter of the window size (the glow
// source's level 2, the vertical result's level 1), so the kernel spans about 36 window pixels each way, on
// top of the mipmaps' box filtering.
//
// Texture units: the vertical blur reads glowTexture on unit 0, the horizontal blur verTexture on unit 1, the
// combine sceneTexture on unit 0 and horTexture on unit 1.
// State after draw: the window's frame buffer (0) bound and cleared, viewport 0, 0, width, height, unit 0
// active with sceneTexture bound, unit 1 with horTexture, the combine program in use, the polygon mode,
// blending, depth function and depth writes as they were. The blurs run in the current polygon mode; the
// combine always fills the window and neither tests nor writes the window's depth.
class Glow : public SceneObject {
public:
    Glow(const glm::mat4& model, int width, int height, Shader* ver, Shader* hor, Shader* combine);
    ~Glow() override;

    void update(float, GLFWwindow*) override {}
    void draw() override;

    // Sampling mode of the four targets: the glow source and the vertical result take minFilter (they are
    // read from coarser mipmap levels), the picture and the horizontal result magFilter only.
    void setTextureFilter(GLint minFilter, GLint magFilter);

    int height;
    int width;
    GLuint verFramebuffer = 0;
    GLuint horFramebuffer = 0;
    GLuint sceneFramebuffer = 0;
    GLuint depthRenderbuffer = 0;
    GLuint verTexture = 0;
    GLuint horTexture = 0;
    GLuint sceneTexture = 0;
    GLuint glowTexture = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint uvBuffer = 0;
    GLuint vertexArray = 0;
    Shader* verShader;
    Shader* horShader;
    Shader* combineShader;
};

} // namespace tavo::scene
