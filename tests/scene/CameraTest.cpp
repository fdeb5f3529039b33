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

TEST_F(CameraTest, EachModePlacesTheEyeAndItsUp) {
    struct Case {
        int mode;
        glm::mat4 aircraft;
        float lift;
        glm::vec3 position, up, seen; // seen: the aircraft's place in the view, or 0 when not checked
    };
    const glm::mat4 rolled = glm::rotate(glm::mat4(1.0f), 0.5f, glm::vec3(0, 0, 1));
    const glm::vec3 rolledUp(-std::sin(0.5f), std::cos(0.5f), 0);
    const Case cases[] = {
        // Chase: behind and above in the aircraft's frame, rolling with it.
        {0,
         glm::translate(glm::mat4(1.0f), {5, 6, 7}),
         0,
         {5, 6 - 14.602268f, 7 + 3.4312916f},
         {0, 1, 0},
         {}},
        {0,
         rolled,
         0,
         {-14.602268f * -std::sin(0.5f), -14.602268f * std::cos(0.5f), 3.4312916f},
         rolledUp,
         {}},
        // Level chase keeps the world's up.
        {1,
         rolled,
         0,
         {-14.602268f * -std::sin(0.5f), -14.602268f * std::cos(0.5f), 3.4312916f},
         {0, 1, 0},
         {}},
        // Orbit with the cursor at the origin: fifteen along z, the aircraft in the middle of the view; the
        // lift raises the eye, which keeps looking at the aircraft.
        {2, glm::translate(glm::mat4(1.0f), {1, 2, 3}), 0, {1, 2, 18}, {0, 1, 0}, {0, 0, -15}},
        {2, glm::mat4(1.0f), 2.0f, {0, 20, 15}, {0, 1, 0}, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " lift " << c.lift);
        Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
        EXPECT_FLOAT_EQ(camera.angle, 1.34f);
        camera.mode = c.mode;
        camera.applyInput(0.0, 0.0);
        const glm::mat4 view = camera.computeView(c.aircraft, c.lift);
        expectNear(camera.position, c.position);
        expectNear(camera.up, c.up);
        const glm::vec3 target(c.aircraft[3]);
        expectNear(camera.viewDirection, glm::normalize(target - camera.position));
        if (c.seen != glm::vec3(0)) {
            expectNear(glm::vec3(view * c.aircraft[3]), c.seen);
        }
    }
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
    struct Case {
        glm::vec3 centre;
        float radius;
        bool visible;
    };
    // Far plane; behind the eye only a sphere reaching past the near distance stays; at depth 100 the
    // half-height is 100 and the half-width 177.8.
    const Case cases[] = {{{0, 0, -10010}, 10, true}, {{0, 0, -10010.01f}, 10, false},
                          {{0, 0, 5}, 6, true},       {{0, 0, 5}, 4, false},
                          {{0, 110, -100}, 8, true},  {{0, 120, -100}, 8, false},
                          {{-190, 0, -100}, 8, true}, {{-200, 0, -100}, 8, false}};
    for (const Case& c : cases)
        EXPECT_EQ(frustum.sphereVisible(c.centre, c.radius), c.visible)
            << c.centre.x << ", " << c.centre.y << ", " << c.centre.z;
}

} // namespace
