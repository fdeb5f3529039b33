#pragma once
#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <array>
#include <memory>
#include <string>

namespace tavo::scene {

// The sky: a cube-map textured cube around the eye, behind everything. It keeps the projection it was built
// with (the boost zoom does not widen the sky).
//
// Texture unit 0: draw binds the cube map there (and leaves unit 0 active with it bound). draw leaves its own
// program in use and turns depth writes off for its draw, then on again. The sky lies on the far plane and is
// drawn with GL_LEQUAL (the depth function is put back afterwards), so it covers exactly the pixels nothing
// has covered yet: drawn after the opaque world it shades only the visible sky.
//
// Faces: right, left, top, bottom, back, front land on +X, -X, +Y, -Y, +Z, -Z, loaded with the picture's top
// row first. A cube map with one unusable face would be incomplete and sample black everywhere, so the faces
// share the size that most loaded square faces have, and a face that is missing, not square or of another
// size is filled with black instead (silently, like a face that does not load).
class SkyBox : public SceneObject {
public:
    SkyBox(const glm::mat4& projection, const std::string& right, const std::string& left,
           const std::string& top, const std::string& bottom, const std::string& back,
           const std::string& front);
    ~SkyBox() override;

    void update(float, GLFWwindow*) override {}
    void draw() override {}
    // The view matrix as the game has it, translation included; the shader ignores the translation.
    void draw(glm::mat4 view);

    GLuint vertexArray = 0;
    GLuint indexBuffer = 0;
    GLuint vertexBuffer = 0;
    GLuint cubeTexture = 0;
    GLint viewMatrixLocation = -1;
    std::unique_ptr<Shader> shader;
    glm::mat4 projection;

private:
    void loadFaces(const std::array<const std::string*, 6>& paths);
};

} // namespace tavo::scene
