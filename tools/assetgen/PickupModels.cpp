#include "tools/assetgen/PickupModels.h"

#include "tools/assetgen/MeshBuilder.h"

#include <glm/gtc/constants.hpp>

#include <cmath>
#include <vector>

namespace tavo::assetgen {

namespace {

// A drink can from the bottom centre round to the top centre, outside on the right: a rolled foot, a straight
// wall, a shoulder that narrows to the lid and a raised rim.
std::vector<glm::vec2> canProfile(bool detailed) {
    if (!detailed)
        return {{0.0f, -0.45f}, {0.3f, -0.45f}, {0.3f, 0.45f}, {0.0f, 0.45f}};
    return {{0.0f, -0.43f},  {0.22f, -0.43f}, {0.26f, -0.45f}, {0.29f, -0.43f},
            {0.3f, -0.39f},  {0.3f, 0.34f},   {0.27f, 0.41f},  {0.23f, 0.43f},
            {0.235f, 0.45f}, {0.215f, 0.45f}, {0.21f, 0.435f}, {0.0f, 0.435f}};
}

} // namespace

// A top hat: brim with a turned-up edge, a crown slightly wider at the top, a flat top.
std::vector<glm::vec2> hatProfile(bool detailed) {
    if (!detailed)
        return {{0.0f, -0.5f}, {0.8f, -0.5f}, {0.8f, -0.44f}, {0.45f, -0.44f}, {0.48f, 0.45f}, {0.0f, 0.45f}};
    return {{0.0f, -0.5f},    {0.74f, -0.5f},  {0.79f, -0.47f}, {0.8f, -0.42f},
            {0.77f, -0.43f},  {0.72f, -0.46f}, {0.45f, -0.46f}, {0.45f, -0.32f},
            {0.455f, -0.32f}, {0.47f, 0.45f},  {0.45f, 0.47f},  {0.0f, 0.47f}};
}

Model makeBoostModel() {
    Model model;
    model.materials.push_back({"can", {1.0f, 0.45f, 0.05f}, {0.9f, 0.9f, 0.9f}, 48.0f});
    model.materials.push_back({"canLow", {1.0f, 0.45f, 0.05f}, {0.9f, 0.9f, 0.9f}, 48.0f});
    model.materials.push_back({"effect", {0.2f, 0.95f, 1.0f}, {1.0f, 1.0f, 1.0f}, 16.0f});
    const UvMap noUv = constantUv(glm::vec2(0.5f));

    MeshBuilder can("can", "can");
    can.addLathe(canProfile(false), 12, glm::vec3(0.0f), noUv);
    model.meshes.push_back(can.buildWithoutUv());

    MeshBuilder effect("effect", "effect");
    // A thin ring round the can's waist plus four blobs on a tilted circle; all within boostReach of the
    // origin, which the tumble about the origin keeps.
    effect.addTorus(glm::vec3(0.0f), glm::mat3(glm::vec3(1, 0, 0), glm::vec3(0, 0, 1), glm::vec3(0, -1, 0)),
                    0.5f, 0.025f, 40, 6, noUv);
    for (int i = 0; i < 4; ++i) {
        const float angle = glm::half_pi<float>() * static_cast<float>(i) + 0.4f;
        const glm::vec3 centre(0.5f * std::cos(angle), 0.5f * std::sin(angle), (i % 2 == 0 ? 0.18f : -0.18f));
        effect.addSphere(centre, 0.07f, 2, noUv);
    }
    model.meshes.push_back(effect.buildWithoutUv());

    MeshBuilder canLow("can_low", "canLow");
    canLow.addLathe(canProfile(true), 32, glm::vec3(0.0f), noUv);
    model.meshes.push_back(canLow.buildWithoutUv());
    return model;
}

Model makeHatModel() {
    Model model;
    model.materials.push_back(hatFeltMaterial);
    const UvMap noUv = constantUv(glm::vec2(0.5f));

    MeshBuilder hat("hat", "felt");
    hat.addLathe(hatProfile(true), 32, glm::vec3(0.0f), noUv);
    model.meshes.push_back(hat.buildWithoutUv());

    MeshBuilder hatLow("hat_low", "felt");
    hatLow.addLathe(hatProfile(false), 10, glm::vec3(0.0f), noUv);
    model.meshes.push_back(hatLow.buildWithoutUv());
    return model;
}

} // namespace tavo::assetgen
