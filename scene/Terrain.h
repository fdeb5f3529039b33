#pragma once
#include "scene/GameObject.h"
#include "scene/ShadowMap.h"
#include "scene/ViewFrustum.h"

#include <array>
#include <string>

class btRigidBody;

namespace tavo::util {
class PhysxHandler;
}

namespace tavo::scene {

// The ground: nine square pieces of one model file in a 3 x 3 grid. Each piece is drawn and culled by itself
// and stands in the physics world as a static triangle mesh, registered as a terrain tile so that the jet
// crashes into it and rings and pickups are kept out of it.
class Terrain : public GameObject {
public:
    static constexpr int tileCount = 9;
    // Slot order of the pieces; their centres lie 200 x scale apart ("top" toward -x, "right" toward -z).
    static const std::array<const char*, tileCount> tileNames;

    Terrain(const glm::mat4& model, Shader* shader, const std::string& modelPath, float scale,
            util::PhysxHandler* physics);

    // Draws the pieces whose culling sphere is in view (all with skipCulling or without a frustum) with their
    // own program and material; returns the number of indices submitted. The caller has set the program's
    // matrices.
    unsigned int drawTiles(const ViewFrustum* frustum, bool skipCulling);
    // Draws, without materials, the pieces the sun's depth map sees; returns the number of indices
    // submitted. The caller has made the depth program current and set its matrices.
    unsigned int drawShadowTiles(const ShadowMap& shadowMap);

    virtual unsigned int getIndexCount();

    // Slot of the piece named like the mesh, or -1.
    static int tileSlot(const std::string& meshName);

    std::array<glm::vec3, tileCount> tileOffsets{};
    std::array<btRigidBody*, tileCount> tileActors{};
    // Culling centre of each mesh relative to the terrain's translation: the offset of its piece by name, so
    // a file that lacks pieces or lists them out of order is still culled right.
    std::vector<glm::vec3> meshOffsets;
};

} // namespace tavo::scene
