#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace tavo::assetgen {

// Every file the generator writes, relative to the run folder, in the order it writes them: the five models,
// the fifteen images and the five sounds. The font is copied by the build, not generated.
const std::vector<std::string>& generatedFiles();

// Writes all of them under `runDir`, making Models/, Textures/skybox/, Textures/lensflare/ and Sounds/ as
// needed. The
// output is the same, byte for byte, on every run. Throws std::runtime_error naming the file that could not
// be written; files written before it stay complete, and none is left half-written.
void generateGameData(const std::filesystem::path& runDir);

} // namespace tavo::assetgen
