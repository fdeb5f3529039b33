#include "scene/ScreenQuad.h"

namespace tavo::scene {

void createScreenQuad(float halfSize, GLuint program, const ScreenQuadNames& names) {
    const float h = halfSize;
    const GLfloat corners[12] = {h, h, 0.0f, h, -h, 0.0f, -h, -h, 0.0f, -h, h, 0.0f};
    const GLfloat uvs[8] = {1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    const GLuint indices[6] = {0, 1, 2, 0, 2, 3};

    glGenBuffers(1, &names.vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, names.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenBuffers(1, &names.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, names.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, indices, GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glGenBuffers(1, &names.uvBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, names.uvBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof uvs, uvs, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    glGenVertexArrays(1, &names.vertexArray);
    glBindVertexArray(names.vertexArray);
    // A program that does not use an attribute has no location for it (-1); enabling that would only raise
    // an error.
    const GLint position = glGetAttribLocation(program, "position");
    if (position >= 0) {
        glBindBuffer(GL_ARRAY_BUFFER, names.vertexBuffer);
        glEnableVertexAttribArray(static_cast<GLuint>(position));
        glVertexAttribPointer(static_cast<GLuint>(position), 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    const GLint uv = glGetAttribLocation(program, "uv");
    if (uv >= 0) {
        glBindBuffer(GL_ARRAY_BUFFER, names.uvBuffer);
        glEnableVertexAttribArray(static_cast<GLuint>(uv));
        glVertexAttribPointer(static_cast<GLuint>(uv), 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, names.indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void drawScreenQuad(GLuint vertexArray) {
    glBindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

} // namespace tavo::scene
