#pragma once
#include <GL/glew.h>

#include <string>

// Decides which material uniforms a program caches; meshes also switch on it (only BASIC gets texture
// coordinates).
enum ShaderType : int { COLOR = 0, BASIC = 1, TEXT = 2, SKYBOX = 3, SHADOW_MAP = 4, SCREEN_SPACE = 5 };

// A linked program from a vertex and a fragment file. It exists complete or not at all: any failure on the
// way is fatal (message on standard error, exit status 1).
class Shader {
public:
    Shader(ShaderType type, const std::string& vertexPath, const std::string& fragmentPath);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    ShaderType type;
    GLint shininessLoc = -1;
    GLint specularColorLoc = -1;
    GLint diffuseColorLoc = -1;
    GLint glowLoc = -1;
    GLint modelLoc = -1;
    GLuint vertexShaderId = 0;
    GLuint fragmentShaderId = 0;
    GLuint programId = 0;

private:
    void loadStage(const std::string& path, GLenum stage, GLuint& shaderId);
    void linkProgram();
};
