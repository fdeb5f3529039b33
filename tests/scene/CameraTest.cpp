#include "scene/Camera.h"
#include "scene/InputState.h"
#include "scene/ViewFrustum.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

namespace {

using tavo::scene::Camera;
using tavo::scene::ViewFrustum;

class CameraTest : public testing::Test {
protected:
    void SetUp() override { sharedInput = &input; }
    void TearDown() override { sharedInput = nullptr; }
    InputState input;
};

void expectNear(const glm::vec3& a, const glm::vec3& b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST_F(CameraTest, ChaseOffsetSitsBehindAndAboveInTheAircraftsFrame) {
    Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    EXPECT_FLOAT_EQ(camera.angle, 1.34f);
    const glm::mat4 aircraft = glm::translate(glm::mat4(1.0f), glm::vec3(5, 6, 7));
    camera.computeView(aircraft, 0.0f);
    expectNear(camera.position, glm::vec3(5, 6 - 14.602268f, 7 + 3.4312916f));
    expectNear(camera.up, glm::vec3(0, 1, 0));
    EXPECT_NEAR(glm::length(camera.viewDirection), 1.0f, 1e-6f);
}

TEST_F(CameraTest, RollingChaseTakesTheAircraftsUpAndLevelChaseTheWorlds) {
    Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    const glm::mat4 rolled = glm::rotate(glm::mat4(1.0f), 0.5f, glm::vec3(0, 0, 1));
    camera.computeView(rolled, 0.0f);
    expectNear(camera.up, glm::vec3(-std::sin(0.5f), std::cos(0.5f), 0));
    camera.mode = 1;
    camera.computeView(rolled, 0.0f);
    expectNear(camera.up, glm::vec3(0, 1, 0));
}

TEST_F(CameraTest, OrbitWithCursorAtOriginIsFifteenAlongZ) {
    Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    camera.mode = 2;
    camera.applyInput(0.0, 0.0);
    const glm::mat4 aircraft = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
    const glm::mat4 view = camera.computeView(aircraft, 0.0f);
    expectNear(camera.position, glm::vec3(1, 2, 18));
    // The aircraft lands in the middle of the view, 15 in front of the eye.
    const glm::vec4 seen = view * glm::vec4(1, 2, 3, 1);
    expectNear(glm::vec3(seen), glm::vec3(0, 0, -15));
}

TEST_F(CameraTest, LiftRaisesTheEyeAndKeepsLookingAtTheAircraft) {
    Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    camera.mode = 2;
    camera.applyInput(0.0, 0.0);
    camera.computeView(glm::mat4(1.0f), 2.0f);
    expectNear(camera.position, glm::vec3(0, 20, 15));
    expectNear(camera.viewDirection, glm::normalize(glm::vec3(0, -20, -15)));
}

TEST_F(CameraTest, HeldSwitchChangesTheModeOnce) {
    Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
    input.cameraButton = 1;
    for (int frame = 0; frame < 5; ++frame)
        camera.applyInput(0.0, 0.0);
    EXPECT_EQ(camera.mode, 1);
    input.cameraButton = 0;
    camera.applyInput(0.0, 0.0);
    for (int expected : {2, 0, 1}) {
        input.cameraButton = 1;
        camera.applyInput(0.0, 0.0);
        input.cameraButton = 0;
        camera.applyInput(0.0, 0.0);
        EXPECT_EQ(camera.mode, expected);
    }
    // Let go and pressed again between two polls: the button still reads held, but it is a new press.
    input.cameraButton = 1;
    camera.applyInput(0.0, 0.0);
    input.cameraPressed = 1;
    camera.applyInput(0.0, 0.0);
    EXPECT_EQ(camera.mode, 0);
}

TEST(ViewFrustumTest, SphereFactorsAtSixteenToNine) {
    ViewFrustum frustum;
    frustum.setInternals(tavo::scene::fieldOfViewY(1.0f), 16.0f / 9.0f, 0.1f, 10000.0f);
    EXPECT_FLOAT_EQ(frustum.tang, 1.0f);
    EXPECT_FLOAT_EQ(frustum.sphereFactorY, 1.4142135f);
    EXPECT_NEAR(frustum.sphereFactorX, 2.0397289f, 1e-6f);
    const glm::mat4 projection =
        tavo::scene::perspectiveProjection(tavo::scene::fieldOfViewY(1.0f), 1280.0f / 720.0f);
    EXPECT_FLOAT_EQ(projection[0][0], 0.5625f);
    EXPECT_FLOAT_EQ(projection[1][1], 1.0f);
}

TEST(ViewFrustumTest, FarBoundaryIsInclusiveAndSidesCullSpheres) {
    ViewFrustum frustum;
    frustum.setInternals(tavo::scene::fieldOfViewY(1.0f), 16.0f / 9.0f, 0.1f, 10000.0f);
    frustum.setCamera(glm::vec3(0), glm::vec3(0, 0, -1), glm::vec3(0, 1, 0));
    EXPECT_TRUE(frustum.sphereVisible(glm::vec3(0, 0, -10010), 10.0f));
    EXPECT_FALSE(frustum.sphereVisible(glm::vec3(0, 0, -10010.01f), 10.0f));
    // Behind the eye only a sphere reaching past the near distance stays.
    EXPECT_TRUE(frustum.sphereVisible(glm::vec3(0, 0, 5), 6.0f));
    EXPECT_FALSE(frustum.sphereVisible(glm::vec3(0, 0, 5), 4.0f));
    // At depth 100 the half-height is 100 and the half-width 177.8.
    EXPECT_TRUE(frustum.sphereVisible(glm::vec3(0, 110, -100), 8.0f));
    EXPECT_FALSE(frustum.sphereVisible(glm::vec3(0, 120, -100), 8.0f));
    EXPECT_TRUE(frustum.sphereVisible(glm::vec3(-190, 0, -100), 8.0f));
    EXPECT_FALSE(frustum.sphereVisible(glm::vec3(-200, 0, -100), 8.0f));
}

} // namespace
