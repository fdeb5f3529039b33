#include "tools/assetgen/RingModel.h"

#include "tools/assetgen/MeshBuilder.h"

#include <array>
#include <string>

namespace tavo::assetgen {

Model makeRingModel() {
    constexpr float tubeRadius = 1.5f;
    // Level i is drawn while the aircraft is nearer than 100 + 200 i: five levels reach 900 units.
    struct Level {
        int around;
        int tube;
    };
    constexpr std::array<Level, 5> levels{{{48, 16}, {36, 12}, {24, 8}, {16, 6}, {10, 4}}};

    Model model;
    model.materials.push_back({"gold", {0.9f, 0.7f, 0.1f}, {0.8f, 0.8f, 0.8f}, 32.0f});
    for (std::size_t i = 0; i < levels.size(); ++i) {
        MeshBuilder builder("Ring_lod" + std::to_string(i), "gold");
        builder.addTorus(glm::vec3(0.0f), glm::mat3(1.0f), ringOuterRadius - tubeRadius, tubeRadius,
                         levels[i].around, levels[i].tube, constantUv(glm::vec2(0.5f)));
        model.meshes.push_back(builder.buildWithoutUv());
    }
    return model;
}

} // namespace tavo::assetgen
