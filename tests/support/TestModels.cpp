#include "support/TestModels.h"

#include "tools/assetgen/ColladaWriter.h"

#include <cstdlib>
#include <fstream>
#include <numeric>
#include <regex>
#include <stdexcept>

namespace ag = tavo::assetgen;

TestMesh squareMesh(const std::string& name, float h, glm::vec3 c) {
    TestMesh mesh{name, {}, {}, {}};
    const glm::vec2 corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i : {0, 1, 2, 0, 2, 3}) {
        mesh.positions.push_back(c + glm::vec3((corners[i] * 2.0f - 1.0f) * h, 0.0f));
        mesh.normals.push_back(glm::vec3(0, 0, 1));
        mesh.uvs.push_back(corners[i]);
    }
    return mesh;
}

void writeCollada(const std::string& path, const std::vector<TestMesh>& meshes) {
    ag::Model model;
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
    writeTextFile(
        path, std::regex_replace(ag::ColladaWriter::toXml(model),
                                 std::regex("<bind_material>[^\n]*\"unbound\"[^\n]*</bind_material>"), ""));
}

std::string makeTempFolder(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << text))
        throw std::runtime_error("cannot write " + path);
}
