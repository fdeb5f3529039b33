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

class WorldSceneTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        worlddata::enterRunFolder();
        sharedInput = &input;
        for (const char* model : {"terrain", "Ring", "fa-18", "boost", "hat"})
            ASSERT_TRUE(std::ifstream(std::string("./Models/") + model + ".dae").good())
                << model << ": the build lays the generated models in the run folder";
        basic = std::make_unique<Shader>(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
        color = std::make_unique<Shader>(COLOR, "./Shader/color.vert", "./Shader/color.frag");
        physics = std::make_unique<PhysxHandler>();
        const glm::mat4 terrainPose =
            glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, -300, 0)), glm::vec3(10.0f));
        terrain =
            std::make_unique<Terrain>(terrainPose, color.get(), "./Models/terrain.dae", 10.0f, physics.get());
        ring = std::make_unique<Ring>(glm::mat4(1.0f), color.get(), "./Models/Ring.dae", physics.get());
        plane =
            std::make_unique<Plane>(glm::mat4(1.0f), basic.get(), "./Models/fa-18.dae",
                                    "./Textures/fa-18-uv.png", "./Textures/fa-18-glow.png", physics.get());
        boost = std::make_unique<Boost>(glm::mat4(1.0f), color.get(), "./Models/boost.dae", physics.get());
        hat = std::make_unique<Hat>(glm::mat4(1.0f), color.get(), "./Models/hat.dae", physics.get());
    }
    void TearDown() override {
        hat.reset();
        boost.reset();
        plane.reset();
        ring.reset();
        terrain.reset();
        color.reset();
        basic.reset();
        physics.reset();
        sharedInput = nullptr;
        GlTest::TearDown();
    }

    // The world update's share of a frame that concerns these objects, in its order, then the physics step.
    void frame(float dt) {
        plane->update(dt, window);
        const glm::vec3 jet(plane->modelMatrix[3]);
        ring->update(dt, window);
        ring->selectLevel(glm::distance(jet, glm::vec3(ring->modelMatrix[3])));
        boost->update(dt, window);
        boost->selectCan(glm::distance(jet, glm::vec3(boost->modelMatrix[3])));
        if (!hat->collected) {
            hat->update(dt, window);
            hat->selectMesh(glm::distance(jet, glm::vec3(hat->modelMatrix[3])));
        }
        physics->step(dt);
    }

    InputState input;
    std::unique_ptr<Shader> basic, color;
    std::unique_ptr<PhysxHandler> physics;
    std::unique_ptr<Terrain> terrain;
    std::unique_ptr<Ring> ring;
    std::unique_ptr<Plane> plane;
    std::unique_ptr<Boost> boost;
    std::unique_ptr<Hat> hat;
};

} // namespace

TEST_F(WorldSceneTest, JetFliesTheStartValleyWhileRingAndPickupsStayOutOfTheTerrain) {
    EXPECT_FALSE(terrainAbove(*physics, ring->actor));
    EXPECT_FALSE(terrainAbove(*physics, boost->actor));
    EXPECT_FALSE(terrainAbove(*physics, hat->actor));

    const float dt = 1.0f / 60.0f;
    for (int i = 0; i < 600; ++i)
        frame(dt);
    EXPECT_FALSE(physics->planeCrashed);
    EXPECT_GT(PhysxHandler::getGlobalPosition(plane->actor).z, 400.0f);
    EXPECT_NEAR(PhysxHandler::getGlobalPosition(plane->actor).x, 0.0f, 1e-3f);
}
