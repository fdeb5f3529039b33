#pragma once
#include "tools/assetgen/ColladaWriter.h"

#include <glm/glm.hpp>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

inline void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << text))
        throw std::runtime_error("cannot write " + path);
}
inline std::string makeTempFolder(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

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

// Two triangles from (-1, -1, 0) to (1, 1, 0), normals +z, texture coordinates 0..1.
inline TestMesh squareMesh(const std::string& name) {
    TestMesh mesh{name, {}, {}, {}};
    const glm::vec2 corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i : {0, 1, 2, 0, 2, 3}) {
        mesh.positions.push_back(glm::vec3(corners[i] * 2.0f - 1.0f, 0.0f));
        mesh.normals.push_back(glm::vec3(0, 0, 1));
        mesh.uvs.push_back(corners[i]);
    }
    return mesh;
}

// The meshes in order; an empty list makes a file without geometry.
inline void writeCollada(const std::string& path, const std::vector<TestMesh>& meshes) {
    tavo::assetgen::Model model;
    for (const TestMesh& m : meshes) {
        // Each mesh its own material, named after it; "unbound" names none the file defines.
        const std::string material = m.material ? m.name : "unbound";
        if (m.material)
            model.materials.push_back({material, m.diffuse, m.specular, m.shininess});
        std::vector<std::uint32_t> indices(m.positions.size());
        std::iota(indices.begin(), indices.end(), 0u);
        model.meshes.push_back({m.name, material, m.positions, m.normals, m.uvs, indices});
    }
    // toXml, not write: a model without meshes is a case under test. The binding of "unbound" goes.
    std::string xml = tavo::assetgen::ColladaWriter::toXml(model);
    for (size_t at; (at = xml.find("symbol=\"unbound\"")) != std::string::npos;) {
        const size_t begin = xml.rfind("<bind_material>", at);
        xml.erase(begin, xml.find("</bind_material>", at) + std::strlen("</bind_material>") - begin);
    }
    writeTextFile(path, xml);
}
