// The game objects built from the generated models as the game assembles them, flown together for ten seconds
// in one physics world.
#include "WorldTestData.h"
#include "scene/Boost.h"
#include "scene/Hat.h"
#include "scene/Placement.h"
#include "scene/Plane.h"
#include "scene/Ring.h"
#include "scene/Terrain.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>

#include <fstream>

using namespace tavo::scene;
using tavo::util::PhysxHandler;

namespace {

class WorldSceneTest : public GlTest {};

} // namespace

TEST_F(WorldSceneTest, JetFliesTheStartValleyWhileRingAndPickupsStayOutOfTheTerrain) {
    worlddata::enterRunFolder();
    for (const char* model : {"terrain", "Ring", "fa-18", "boost", "hat"})
        ASSERT_TRUE(std::ifstream(std::string("./Models/") + model + ".dae").good())
            << model << ": the build lays the generated models in the run folder";
    InputState input;
    sharedInput = &input;
    // Declared in the order the game builds them: the physics world outlives every object in it.
    PhysxHandler physics;
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    Shader color(COLOR, "./Shader/color.vert", "./Shader/color.frag");
    const glm::mat4 terrainPose =
        glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, -300, 0)), glm::vec3(10.0f));
    Terrain terrain(terrainPose, &color, "./Models/terrain.dae", 10.0f, &physics);
    Ring ring(glm::mat4(1.0f), &color, "./Models/Ring.dae", &physics);
    Plane plane(glm::mat4(1.0f), &basic, "./Models/fa-18.dae", "./Textures/fa-18-uv.png",
                "./Textures/fa-18-glow.png", &physics);
    Boost boost(glm::mat4(1.0f), &color, "./Models/boost.dae", &physics);
    Hat hat(glm::mat4(1.0f), &color, "./Models/hat.dae", &physics);
    EXPECT_FALSE(terrainAbove(physics, ring.actor));
    EXPECT_FALSE(terrainAbove(physics, boost.actor));
    EXPECT_FALSE(terrainAbove(physics, hat.actor));

    // The world update's share of a frame that concerns these objects, in its order, then the physics step.
    const float dt = 1.0f / 60.0f;
    for (int i = 0; i < 600; ++i) {
        plane.update(dt, window);
        const glm::vec3 jet(plane.modelMatrix[3]);
        ring.update(dt, window);
        ring.selectLevel(glm::distance(jet, glm::vec3(ring.modelMatrix[3])));
        boost.update(dt, window);
        boost.selectCan(glm::distance(jet, glm::vec3(boost.modelMatrix[3])));
        hat.update(dt, window);
        hat.selectMesh(glm::distance(jet, glm::vec3(hat.modelMatrix[3])));
        physics.step(dt);
    }
    EXPECT_FALSE(physics.planeCrashed);
    EXPECT_GT(PhysxHandler::getGlobalPosition(plane.actor).z, 400.0f);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(plane.actor).x, 0.0f, 1e-3f);
    sharedInput = nullptr;
}
