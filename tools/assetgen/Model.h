#pragma once
#include <glm/glm.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace tavo::assetgen {

// One Phong material as the game reads it: diffuse (colour program only), specular and shininess.
struct Material {
    std::string id;
    glm::vec3 diffuse{0.0f};
    glm::vec3 specular{0.0f};
    float shininess = 1.0f;
};

// One named mesh with one material. Positions, normals and (optionally) texture coordinates run in parallel;
// every three entries of `indices` form one triangle, wound counter-clockwise seen from its normal side.
struct MeshData {
    std::string name;
    std::string material;
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> uvs;
    std::vector<std::uint32_t> indices;

    std::size_t triangleCount() const { return indices.size() / 3; }
};

// What one model file holds: its materials and its meshes in the order the game must see them.
struct Model {
    std::vector<Material> materials;
    std::vector<MeshData> meshes;
};

} // namespace tavo::assetgen
