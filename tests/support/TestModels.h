#pragma once
#include <glm/glm.hpp>

#include <string>
#include <vector>

// One mesh of a COLLADA file that a test writes through the asset generator's writer.
struct TestMesh {
    std::string name;
    std::vector<glm::vec3> positions; // three per triangle
    std::vector<glm::vec3> normals;   // one per position
    std::vector<glm::vec2> uvs;       // empty: none written
    bool material = true;             // false: no material bound, so Assimp gives its default one
    glm::vec3 diffuse{0.2f, 0.4f, 0.6f}, specular{0.5f, 0.5f, 0.5f};
    float shininess = 16.0f;
};

// Two triangles in the x-y plane around the centre, normals +z, texture coordinates 0..1.
TestMesh squareMesh(const std::string& name, float halfSize = 1.0f, glm::vec3 centre = glm::vec3(0.0f));
// The meshes in order; an empty list makes a file without geometry.
void writeCollada(const std::string& path, const std::vector<TestMesh>& meshes);
std::string makeTempFolder(const std::string& prefix); // a fresh empty folder under /tmp
void writeTextFile(const std::string& path, const std::string& text);
