#pragma once
#include <glm/glm.hpp>

#include <string>
#include <vector>

// Small COLLADA files written by tests, in the same scheme as the game's data: one geometry and one node per
// mesh, triangles only, normals on every corner, texture coordinates when given.
struct TestMesh {
    std::string name;
    std::vector<glm::vec3> positions; // three per triangle
    std::vector<glm::vec3> normals;   // empty: none written
    std::vector<glm::vec2> uvs;       // empty: none written
    bool material = true;             // false: the geometry has no material binding
    glm::vec3 diffuse{0.2f, 0.4f, 0.6f};
    glm::vec3 specular{0.5f, 0.5f, 0.5f};
    float shininess = 16.0f;
};

// A flat square of two triangles in the x-y plane, centred on the origin, normals +z, texture coordinates
// 0..1.
TestMesh squareMesh(const std::string& name, float halfSize = 1.0f, glm::vec3 centre = glm::vec3(0.0f));

// Writes the meshes in order; with no mesh material at all the file has no material library.
void writeCollada(const std::string& path, const std::vector<TestMesh>& meshes);

// A fresh empty folder under the system's temporary folder.
std::string makeTempFolder(const std::string& prefix);

// Writes text to a file (creating or replacing it).
void writeTextFile(const std::string& path, const std::string& text);
