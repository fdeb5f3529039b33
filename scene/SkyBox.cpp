#include "scene/SkyBox.h"

#include "render/GlState.h"

#include <IL/il.h>
#include <glm/gtc/type_ptr.hpp>

#include <map>
#include <vector>

namespace tavo::scene {

namespace {

const GLfloat cubeCorners[24] = {1.0f,  1.0f,  1.0f,  1.0f,  1.0f,  -1.0f, 1.0f,  -1.0f,
                                 -1.0f, 1.0f,  -1.0f, 1.0f,  -1.0f, 1.0f,  1.0f,  -1.0f,
                                 1.0f,  -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, 1.0f};
const GLuint cubeIndices[36] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 0, 1, 4, 1, 5, 4,
                                2, 3, 6, 3, 7, 6, 1, 2, 6, 1, 6, 5, 0, 4, 7, 0, 7, 3};

bool uploadable(ILint format) {
    return format == IL_RGB || format == IL_RGBA || format == IL_BGR || format == IL_BGRA;
}

} // namespace

SkyBox::SkyBox(const glm::mat4& projection, const std::string& right, const std::string& left,
               const std::string& top, const std::string& bottom, const std::string& back,
               const std::string& front)
    : SceneObject(glm::mat4(1.0f)), projection(projection) {
    shader = std::make_unique<Shader>(SKYBOX, "./Shader/skybox.vert", "./Shader/skybox.frag");
    glUseProgram(shader->programId);
    glUniformMatrix4fv(glGetUniformLocation(shader->programId, "ProjectionMatrix"), 1, GL_FALSE,
                       glm::value_ptr(this->projection));
    viewMatrixLocation = glGetUniformLocation(shader->programId, "ViewMatrix");

    ilInit();
    glGenTextures(1, &cubeTexture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeTexture);

    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof cubeCorners, cubeCorners, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof cubeIndices, cubeIndices, GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    const GLint position = glGetAttribLocation(shader->programId, "position");
    if (position >= 0) {
        glEnableVertexAttribArray(static_cast<GLuint>(position));
        glVertexAttribPointer(static_cast<GLuint>(position), 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    loadFaces({&right, &left, &top, &bottom, &back, &front});

    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

void SkyBox::loadFaces(const std::array<const std::string*, 6>& paths) {
    std::array<ILuint, 6> images{};
    std::array<bool, 6> loaded{};
    std::map<ILint, int> squareSizes;
    for (size_t i = 0; i < 6; ++i) {
        ilGenImages(1, &images[i]);
        ilBindImage(images[i]);
        // Cube-map faces are addressed with the picture's top row first.
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        if (!ilLoadImage(paths[i]->c_str()))
            continue;
        // A core context takes no grey or indexed pixels; such a face is turned into RGBA rather than lost.
        if (!uploadable(ilGetInteger(IL_IMAGE_FORMAT)) || ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE)
            ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
        const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
        loaded[i] = width > 0 && width == ilGetInteger(IL_IMAGE_HEIGHT);
        if (loaded[i])
            ++squareSizes[width];
    }

    // The most common square size wins; on a tie, the larger.
    ILint faceSize = 1;
    int votes = 0;
    for (const auto& [size, count] : squareSizes)
        if (count >= votes) {
            faceSize = size;
            votes = count;
        }

    // DevIL rows are tightly packed; whatever alignment the game has set is put back afterwards.
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // All faces share one internal format, or the cube map is incomplete.
    GLint internalFormat = 0;
    const std::vector<unsigned char> black(static_cast<size_t>(faceSize) * faceSize * 3, 0);
    for (size_t i = 0; i < 6; ++i) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(i);
        ilBindImage(images[i]);
        if (loaded[i] && ilGetInteger(IL_IMAGE_WIDTH) == faceSize) {
            const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
            if (internalFormat == 0)
                internalFormat = (format == IL_RGBA || format == IL_BGRA) ? GL_RGBA : GL_RGB;
            glTexImage2D(target, 0, internalFormat, faceSize, faceSize, 0, static_cast<GLenum>(format),
                         static_cast<GLenum>(ilGetInteger(IL_IMAGE_TYPE)), ilGetData());
        } else {
            loaded[i] = false;
        }
    }
    if (internalFormat == 0)
        internalFormat = GL_RGB;
    for (size_t i = 0; i < 6; ++i)
        if (!loaded[i])
            glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(i), 0, internalFormat, faceSize,
                         faceSize, 0, GL_RGB, GL_UNSIGNED_BYTE, black.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    ilDeleteImages(6, images.data());
}

SkyBox::~SkyBox() {
    glDeleteTextures(1, &cubeTexture);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

void SkyBox::draw(glm::mat4 view) {
    glUseProgram(shader->programId);
    glUniformMatrix4fv(viewMatrixLocation, 1, GL_FALSE, glm::value_ptr(view));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeTexture);
    glDepthMask(GL_FALSE);
    // The sky sits on the far plane: it passes where the depth is still the cleared 1.0, whether it is drawn
    // before or after the world.
    const ScopedGlState state;
    GlState::setDepthFunc(GL_LEQUAL);
    glBindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
}

} // namespace tavo::scene
