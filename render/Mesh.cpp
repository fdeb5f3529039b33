#include "render/Mesh.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavo::scene {

namespace {

GLuint makeArrayBuffer(const void* data, size_t bytes) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return buffer;
}

void pointAttribute(GLuint program, const char* name, GLuint buffer, GLint components) {
    const GLint location = glGetAttribLocation(program, name);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    if (location < 0)
        return; // the program does not use it: nothing to enable
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE, 0, nullptr);
}

} // namespace

Mesh::Mesh(const aiScene* scene, unsigned int index, const glm::mat4& model, Shader* shader)
    : SceneObject(model), shader(shader) {
    const aiMesh* mesh = scene->mMeshes[index];
    name = mesh->mName.C_Str();
    const size_t vertexCount = mesh->mNumVertices;

    positionBuffer = makeArrayBuffer(mesh->mVertices, vertexCount * 12);
    bool anyVertex = false;
    for (size_t v = 0; v < vertexCount; ++v) {
        const glm::vec3 p(mesh->mVertices[v].x, mesh->mVertices[v].y, mesh->mVertices[v].z);
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            continue;
        boundsMin = anyVertex ? glm::min(boundsMin, p) : p;
        boundsMax = anyVertex ? glm::max(boundsMax, p) : p;
        anyVertex = true;
    }

    // Every face is taken as a triangle. Points and lines (fewer than three indices) repeat their last
    // corner, which draws nothing, instead of reading past the face's index array.
    std::vector<GLuint> indices;
    indices.reserve(static_cast<size_t>(mesh->mNumFaces) * 3);
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        for (unsigned int corner = 0; corner < 3; ++corner) {
            const unsigned int k = face.mNumIndices == 0 ? 0 : std::min(corner, face.mNumIndices - 1);
            const GLuint vertex = face.mNumIndices == 0 ? 0 : face.mIndices[k];
            // An index beyond the vertex array would make the driver read out of bounds.
            indices.push_back(vertex < vertexCount ? vertex : 0);
        }
    }
    if (vertexCount == 0)
        indices.clear();
    indexCount = static_cast<unsigned int>(indices.size());

    if (scene->mMaterials && scene->mNumMaterials > 0 && mesh->mMaterialIndex < scene->mNumMaterials) {
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        aiColor4D colour(0.0f, 0.0f, 0.0f, 0.0f);
        aiGetMaterialColor(material, AI_MATKEY_COLOR_DIFFUSE, &colour);
        diffuseColor = glm::vec3(colour.r, colour.g, colour.b);
        colour = aiColor4D(0.0f, 0.0f, 0.0f, 0.0f);
        aiGetMaterialColor(material, AI_MATKEY_COLOR_SPECULAR, &colour);
        specularColor = glm::vec3(colour.r, colour.g, colour.b);
        aiGetMaterialFloatArray(material, AI_MATKEY_SHININESS, &shininess, nullptr);
    }

    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
                 indices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    // A model without normals gets zero normals rather than undefined buffer contents.
    if (mesh->mNormals) {
        normalBuffer = makeArrayBuffer(mesh->mNormals, vertexCount * 12);
    } else {
        const std::vector<float> zeros(vertexCount * 3, 0.0f);
        normalBuffer = makeArrayBuffer(zeros.data(), vertexCount * 12);
    }

    const bool textured = shader->type == BASIC && mesh->mTextureCoords[0] && vertexCount > 0;
    if (textured) {
        std::vector<float> uv(vertexCount * 2);
        for (size_t v = 0; v < vertexCount; ++v) {
            uv[2 * v] = mesh->mTextureCoords[0][v].x;
            uv[2 * v + 1] = mesh->mTextureCoords[0][v].y;
        }
        uvBuffer = makeArrayBuffer(uv.data(), vertexCount * 8);
    }

    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    pointAttribute(shader->programId, "position", positionBuffer, 3);
    pointAttribute(shader->programId, "normal", normalBuffer, 3);
    if (textured)
        pointAttribute(shader->programId, "uv", uvBuffer, 2);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

Mesh::~Mesh() {
    glDeleteBuffers(1, &positionBuffer);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &normalBuffer);
    glDeleteBuffers(1, &uvBuffer);
    glDeleteVertexArrays(1, &vao);
}

void Mesh::draw() {
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void Mesh::drawWithMaterial(GLint shininessLocation, GLint specularLocation, GLint diffuseLocation) {
    glUniform1f(shininessLocation, shininess);
    glUniform3fv(specularLocation, 1, glm::value_ptr(specularColor));
    glUniform3fv(diffuseLocation, 1, glm::value_ptr(diffuseColor));
    draw();
}

void Mesh::drawWithSpecular(GLint shininessLocation, GLint specularLocation) {
    glUniform1f(shininessLocation, shininess);
    glUniform3fv(specularLocation, 1, glm::value_ptr(specularColor));
    draw();
}

void Mesh::drawWithShader() {
    glUseProgram(shader->programId);
    if (shader->type == COLOR)
        drawWithMaterial(shader->shininessLoc, shader->specularColorLoc, shader->diffuseColorLoc);
    else if (shader->type == BASIC)
        drawWithSpecular(shader->shininessLoc, shader->specularColorLoc);
    else
        draw();
}

} // namespace tavo::scene
