#include "WorldTestData.h"
#include "scene/Boost.h"
#include "scene/Hat.h"
#include "scene/Placement.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

using tavo::scene::Boost;
using tavo::scene::Hat;
using tavo::util::PhysxHandler;

namespace {

void expectMatrixNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-4f) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], expected[c][r], tolerance) << "column " << c << " row " << r;
}

glm::mat4 modelUniform(const Shader& shader) {
    glm::mat4 model(0.0f);
    glGetUniformfv(shader.programId, shader.modelLoc, glm::value_ptr(model));
    return model;
}

class PickupTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        worlddata::enterRunFolder();
        sharedInput = &input;
        folder = makeTempFolder("pickup");
        writeCollada(folder + "/boost.dae",
                     {worlddata::box("can", glm::vec3(0), glm::vec3(0.3f, 0.3f, 0.45f)),
                      squareMesh("effect", 0.6f), worlddata::box("can_low", glm::vec3(0), glm::vec3(0.3f))});
        writeCollada(folder + "/hat.dae",
                     {squareMesh("hat_low", 0.8f), worlddata::box("hat", glm::vec3(0), glm::vec3(0.5f))});
        color = std::make_unique<Shader>(COLOR, "./Shader/color.vert", "./Shader/color.frag");
        physics = std::make_unique<PhysxHandler>();
    }
    void TearDown() override {
        color.reset();
        physics.reset();
        sharedInput = nullptr;
        GlTest::TearDown();
    }
    // A bare jet body already at cruise speed, flown along +z from z0 as the flight model would.
    void flyJetFrom(float z0, int frames) {
        if (!jet) {
            jet = physics->createPlaneBody({0, 0, z0});
            physics->setDamping(jet, 1.0f, 10.0f);
            physics->planeActor = jet;
            PhysxHandler::addVelocityChange(jet, {0, 0, 49.1665f});
        }
        for (int i = 0; i < frames; ++i) {
            PhysxHandler::addVelocityChange(jet, {0, 0, 50.0f / 60.0f});
            physics->step(1.0f / 60.0f);
        }
    }

    InputState input;
    std::string folder;
    std::unique_ptr<Shader> color;
    std::unique_ptr<PhysxHandler> physics;
    btRigidBody* jet = nullptr;
};

} // namespace

TEST_F(PickupTest, CanIsPlacedScaledAndPicksItsMeshByDistance) {
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    ASSERT_EQ(physics->boostActor, can.actor);
    EXPECT_EQ(can.meshes[can.canMesh]->name, "can");
    EXPECT_EQ(can.meshes[can.effectMesh]->name, "effect");
    EXPECT_EQ(can.meshes[can.canLowMesh]->name, "can_low");
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(glm::length(glm::vec3(can.modelMatrix[c])), 15.0f, 1e-3f);
    // The pickups' quarter turn is negative: the centre is at (a, h, -b), h within the random range.
    const glm::vec3 centre = PhysxHandler::getGlobalPosition(can.actor);
    EXPECT_NEAR(glm::distance(centre, glm::vec3(can.modelMatrix[3])), 0.0f, 1e-3f);
    EXPECT_GE(centre.y, -20.0f);
    EXPECT_LE(centre.y, 19.85f);
    EXPECT_NEAR(glm::vec3(can.modelMatrix[2]).y, 15.0f, 1e-3f); // model z is the world vertical

    can.selectCan(50.0f);
    EXPECT_EQ(can.currentCan, can.canLowMesh);
    can.selectCan(150.0f);
    EXPECT_EQ(can.currentCan, can.canMesh);
}

TEST_F(PickupTest, CanSpinsAndItsEffectTumblesAroundIt) {
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    const glm::mat4 start = can.modelMatrix;
    can.update(1.0f, window);
    const glm::mat4 spun = glm::rotate(start, 0.7853982f, glm::vec3(0, 0, 1));
    expectMatrixNear(can.modelMatrix, spun, 1e-3f);
    expectMatrixNear(can.meshes[can.canMesh]->modelMatrix, can.modelMatrix);
    const glm::mat4 tumble = glm::rotate(glm::mat4(1.0f), 3.1415927f, glm::normalize(glm::vec3(1, 1, 1)));
    expectMatrixNear(can.meshes[can.effectMesh]->modelMatrix, can.modelMatrix * tumble, 1e-3f);
}

TEST_F(PickupTest, CanGlowsWhileDrawnWithItsOwnMatrices) {
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    can.update(0.25f, window);
    can.selectCan(50.0f);
    const GLuint triangles = worlddata::primitivesDrawn([&] { can.drawWithShader(); });
    EXPECT_EQ(triangles, 12u + 2u); // "can_low" and the effect
    EXPECT_EQ(can.drawnIndexCount(), 3 * triangles);
    expectMatrixNear(modelUniform(*color), can.meshes[can.effectMesh]->modelMatrix);
    GLfloat glow = -1.0f;
    glGetUniformfv(color->programId, color->glowLoc, &glow);
    EXPECT_EQ(glow, 0.0f);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { can.draw(); }), 14u);
}

TEST_F(PickupTest, CanWithMissingMeshesDrawsWhatItHas) {
    writeCollada(folder + "/effect-only.dae", {squareMesh("effect", 0.6f), squareMesh("Can", 0.6f)});
    Boost can(glm::mat4(1.0f), color.get(), folder + "/effect-only.dae", physics.get());
    EXPECT_EQ(can.canMesh, -1);
    EXPECT_EQ(can.canLowMesh, -1);
    for (float distance : {50.0f, 150.0f}) {
        can.selectCan(distance);
        can.update(0.1f, window);
        EXPECT_EQ(worlddata::primitivesDrawn([&] { can.drawWithShader(); }), 2u);
        EXPECT_EQ(can.drawnIndexCount(), 6u);
    }
    Boost nothing(glm::mat4(1.0f), color.get(), folder + "/absent.dae", physics.get());
    nothing.update(0.1f, window);
    EXPECT_EQ(worlddata::primitivesDrawn([&] {
                  nothing.draw();
                  nothing.drawWithShader();
              }),
              0u);
}

TEST_F(PickupTest, JetEnteringTheCanRaisesBoostCollected) {
    Boost can(glm::mat4(1.0f), color.get(), folder + "/boost.dae", physics.get());
    physics->setGlobalPose(can.actor, {0, 0, 40});
    flyJetFrom(0, 15); // the nose, 8.5 ahead, is still short of the sphere (radius 10)
    EXPECT_FALSE(physics->boostCollected);
    flyJetFrom(0, 30);
    EXPECT_TRUE(physics->boostCollected);
}

TEST_F(PickupTest, HatSpinsAndPicksItsMeshByDistance) {
    Hat hat(glm::mat4(1.0f), color.get(), folder + "/hat.dae", physics.get());
    ASSERT_EQ(physics->hatActor, hat.actor);
    EXPECT_EQ(hat.currentMesh, 0);
    EXPECT_NEAR(glm::length(glm::vec3(hat.modelMatrix[0])), 10.0f, 1e-3f);
    hat.selectMesh(150.0f);
    EXPECT_EQ(hat.meshes[hat.currentMesh]->name, "hat");
    hat.selectMesh(250.0f);
    EXPECT_EQ(hat.meshes[hat.currentMesh]->name, "hat_low");

    const glm::mat4 start = hat.modelMatrix;
    hat.update(1.0f, window);
    expectMatrixNear(hat.modelMatrix, glm::rotate(start, 1.5707964f, glm::vec3(0, 0, 1)), 1e-3f);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { hat.drawWithShader(); }), 2u);
    EXPECT_EQ(hat.drawnIndexCount(), 6u);
    expectMatrixNear(modelUniform(*color), hat.modelMatrix);
}

TEST_F(PickupTest, CollectedHatLeavesThePhysicsWorld) {
    Hat hat(glm::mat4(1.0f), color.get(), folder + "/hat.dae", physics.get());
    physics->setGlobalPose(hat.actor, {0, 0, 40});
    flyJetFrom(0, 60);
    ASSERT_TRUE(physics->hatCollected);
    physics->hatCollected = false;
    hat.collect();
    EXPECT_TRUE(hat.collected);
    EXPECT_EQ(hat.actor, nullptr);
    EXPECT_EQ(physics->hatActor, nullptr);
    hat.collect();
    hat.reposition(); // no trigger left to move
    // Back through the old place: nothing.
    physics->setGlobalPose(jet, {0, 0, 0});
    flyJetFrom(0, 60);
    EXPECT_FALSE(physics->hatCollected);
}

TEST_F(PickupTest, HatWithoutItsMeshesDrawsNothing) {
    writeCollada(folder + "/cap.dae", {squareMesh("cap")});
    Hat cap(glm::mat4(1.0f), color.get(), folder + "/cap.dae", physics.get());
    EXPECT_EQ(cap.hatHighMesh, -1);
    cap.selectMesh(10.0f);
    EXPECT_EQ(worlddata::primitivesDrawn([&] {
                  cap.draw();
                  cap.drawWithShader();
              }),
              0u);
    EXPECT_EQ(cap.drawnIndexCount(), 0u);
    Hat none(glm::mat4(1.0f), color.get(), folder + "/absent.dae", physics.get());
    EXPECT_EQ(worlddata::primitivesDrawn([&] { none.drawWithShader(); }), 0u);
}
