#pragma once
// Helpers of the data contract tests: models are imported exactly as the game imports them.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <glm/glm.hpp>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

inline std::string runFile(const std::string& relative) {
    return std::string(WINDLAP_RUN_DIR) + "/" + relative;
}

inline glm::vec3 toGlm(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

// A model file read with the game's one post-processing step; the scene lives as long as this object.
class ImportedModel {
public:
    explicit ImportedModel(const std::string& path)
        : scene(importer.ReadFile(path, aiProcess_OptimizeMeshes)) {}
    ImportedModel(const ImportedModel&) = delete;
    ImportedModel& operator=(const ImportedModel&) = delete;

    bool loaded() const { return scene != nullptr && scene->mNumMeshes > 0; }
    std::string error() const { return importer.GetErrorString(); }

    std::vector<std::string> meshNames() const {
        std::vector<std::string> names;
        for (unsigned i = 0; loaded() && i < scene->mNumMeshes; ++i)
            names.emplace_back(scene->mMeshes[i]->mName.C_Str());
        return names;
    }

    // The mesh with exactly this name (the game's lookup), or null.
    const aiMesh* mesh(const std::string& name) const {
        for (unsigned i = 0; loaded() && i < scene->mNumMeshes; ++i)
            if (name == scene->mMeshes[i]->mName.C_Str())
                return scene->mMeshes[i];
        return nullptr;
    }

    const aiMaterial* material(const aiMesh* mesh) const { return scene->mMaterials[mesh->mMaterialIndex]; }

private:
    Assimp::Importer importer;

public:
    const aiScene* const scene;
};

struct Bounds {
    glm::vec3 min{std::numeric_limits<float>::max()};
    glm::vec3 max{std::numeric_limits<float>::lowest()};
};

inline Bounds boundsOf(const aiMesh* mesh) {
    Bounds b;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        b.min = glm::min(b.min, toGlm(mesh->mVertices[i]));
        b.max = glm::max(b.max, toGlm(mesh->mVertices[i]));
    }
    return b;
}

// Largest distance of a vertex from the point.
inline float reachOf(const aiMesh* mesh, const glm::vec3& from = glm::vec3(0.0f)) {
    float reach = 0.0f;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i)
        reach = std::max(reach, glm::length(toGlm(mesh->mVertices[i]) - from));
    return reach;
}

// Empty when every face is a triangle that faces the side its corner normals point to (so back-face culling
// and lighting agree); otherwise a description of the first face that does not.
inline std::string faceProblems(const aiMesh* mesh) {
    if (mesh->mNormals == nullptr)
        return "no normals";
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3)
            return "face " + std::to_string(f) + " has " + std::to_string(face.mNumIndices) + " corners";
        const glm::vec3 a = toGlm(mesh->mVertices[face.mIndices[0]]);
        const glm::vec3 b = toGlm(mesh->mVertices[face.mIndices[1]]);
        const glm::vec3 c = toGlm(mesh->mVertices[face.mIndices[2]]);
        glm::vec3 corners(0.0f);
        for (int k = 0; k < 3; ++k) {
            const glm::vec3 n = toGlm(mesh->mNormals[face.mIndices[k]]);
            if (std::abs(glm::length(n) - 1.0f) > 1e-3f)
                return "face " + std::to_string(f) + " has a normal of length " +
                       std::to_string(glm::length(n));
            corners += n;
        }
        if (glm::dot(glm::cross(b - a, c - a), corners) <= 0.0f)
            return "face " + std::to_string(f) + " is wound against its normals";
    }
    return {};
}

inline bool hasColor(const aiMaterial* material, const char* key) {
    aiColor4D color;
    return aiGetMaterialColor(material, key, 0, 0, &color) == AI_SUCCESS;
}

inline glm::vec3 colorOf(const aiMaterial* material, const char* key) {
    aiColor4D color(0, 0, 0, 0);
    aiGetMaterialColor(material, key, 0, 0, &color);
    return {color.r, color.g, color.b};
}
