#include "render/Shader.h"

#include "util/FatalError.h"

#include <fstream>
#include <iterator>
#include <vector>

Shader::Shader(ShaderType type, const std::string& vertexPath, const std::string& fragmentPath) : type(type) {
    programId = glCreateProgram();
    if (programId == 0)
        tavo::util::fatalError("Failed to create shader program");
    loadStage(vertexPath, GL_VERTEX_SHADER, vertexShaderId);
    loadStage(fragmentPath, GL_FRAGMENT_SHADER, fragmentShaderId);
    linkProgram();

    if (type == COLOR) {
        shininessLoc = glGetUniformLocation(programId, "shininess");
        specularColorLoc = glGetUniformLocation(programId, "specularColor");
        diffuseColorLoc = glGetUniformLocation(programId, "diffuseColor");
        modelLoc = glGetUniformLocation(programId, "model");
        glowLoc = glGetUniformLocation(programId, "glow");
    } else if (type == BASIC) {
        shininessLoc = glGetUniformLocation(programId, "shininess");
        specularColorLoc = glGetUniformLocation(programId, "specularColor");
        modelLoc = glGetUniformLocation(programId, "model");
    }
}

Shader::~Shader() {
    glDeleteProgram(programId);
    glDeleteShader(vertexShaderId);
    glDeleteShader(fragmentShaderId);
}

void Shader::loadStage(const std::string& path, GLenum stage, GLuint& shaderId) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file.good())
        tavo::util::fatalError("Failed to open Shader file with path: " + path);
    const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();

    shaderId = glCreateShader(stage);
    if (shaderId == 0)
        tavo::util::fatalError("Failed to create Shader");
    const char* text = source.c_str();
    glShaderSource(shaderId, 1, &text, nullptr);
    glCompileShader(shaderId);

    GLint status = 0;
    glGetShaderiv(shaderId, GL_COMPILE_STATUS, &status);
    if (status != 0 && glIsShader(shaderId))
        return;
    GLint logLength = 0;
    glGetShaderiv(shaderId, GL_INFO_LOG_LENGTH, &logLength);
    // One byte more than the driver asks for, so the log is terminated even when the driver reports 0.
    std::vector<char> log(static_cast<size_t>(logLength > 0 ? logLength : 0) + 1, '\0');
    if (logLength > 0)
        glGetShaderInfoLog(shaderId, logLength, nullptr, log.data());
    tavo::util::fatalError(std::string("Failed to compile Shader\n") + log.data());
}

void Shader::linkProgram() {
    glAttachShader(programId, vertexShaderId);
    glAttachShader(programId, fragmentShaderId);
    glLinkProgram(programId);

    GLint status = 0;
    glGetProgramiv(programId, GL_LINK_STATUS, &status);
    if (status != 0)
        return;
    GLint logLength = 0;
    glGetProgramiv(programId, GL_INFO_LOG_LENGTH, &logLength);
    std::vector<char> log(static_cast<size_t>(logLength > 0 ? logLength : 0) + 1, '\0');
    if (logLength > 0)
        glGetProgramInfoLog(programId, logLength, nullptr, log.data());
    tavo::util::fatalError(std::string("Failed to link Program\n") + log.data());
}
