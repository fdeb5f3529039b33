#pragma once
#include "tools/preview/OffscreenTarget.h"
#include "tools/preview/Tile.h"

#include <vector>

namespace tavo::preview {

// Every model file the game opens, drawn into "target" with the game's Shader, GameObject and Mesh classes
// and its lit programs (the jet through its own Plane class, so the moving parts sit at their hinges): the
// terrain whole and from above, each ring level of detail, each pickup mesh, the jet assembled with its glow
// output and each of its parts. Needs the current context and the run folder as working directory; throws
// std::runtime_error when a file cannot be read.
std::vector<Tile> renderModelTiles(OffscreenTarget& target);

} // namespace tavo::preview
