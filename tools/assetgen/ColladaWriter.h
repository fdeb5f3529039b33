#pragma once
#include "tools/assetgen/Model.h"

#include <filesystem>
#include <string>

namespace tavo::assetgen {

// Writes a model as a COLLADA 1.4.1 file that Assimp imports with exactly the game's mesh names, mesh order
// and material values: one <geometry> whose id and name are the mesh name, one <triangles> per geometry, one
// node per mesh as a direct child of the visual scene, in mesh order, with every material symbol bound.
// Vertex data is written where the game wants it; no node carries a transform.
class ColladaWriter {
public:
    // Returns an empty string for a model that can be written, otherwise what is wrong with it.
    static std::string check(const Model& model);

    // Throws std::runtime_error with a readable message when the model fails `check` or the file cannot be
    // written. The file is written beside its final name and renamed into place, so a failed run never leaves
    // a half-written model and never destroys the previous one.
    static void write(const Model& model, const std::filesystem::path& path);

    // The document itself (for a model that passes `check`).
    static std::string toXml(const Model& model);
};

} // namespace tavo::assetgen
