#include "scene/Plane.h"
#include "WorldTestData.h"
#include "scene/FlightModel.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>

using tavo::scene::Plane;
using tavo::util::PhysxHandler;

namespace {

constexpr float frame = 1.0f / 60.0f;

// Angle of the part's turn about its hinge: the part matrix relative to the jet matrix moved to the pivot.
float hingeAngle(const glm::mat4& jet, const glm::mat4& part, glm::vec3 pivot, glm::vec3 axis) {
    const glm::mat4 relative = glm::inverse(glm::translate(jet, pivot)) * part;
    const glm::vec3 a = glm::normalize(axis);
    const glm::vec3 probe = std::abs(a.x) > 0.5f ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0);
    const glm::vec3 turned = glm::vec3(relative * glm::vec4(probe, 0.0f));
    return std::atan2(glm::dot(glm::cross(probe, turned), a), glm::dot(probe, turned)) / tavo::scene::degree;
}

class PlaneTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        worlddata::enterRunFolder();
        sharedInput = &input;
        folder = makeTempFolder("plane");
        worlddata::writeJet(folder + "/jet.dae");
        shader = std::make_unique<Shader>(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
        physics = std::make_unique<PhysxHandler>();
    }
    void TearDown() override {
        plane.reset();
        shader.reset();
        physics.reset();
        sharedInput = nullptr;
        GlTest::TearDown();
    }
    Plane& makePlane(const std::string& model) {
        plane = std::make_unique<Plane>(glm::mat4(1.0f), shader.get(), model, "./Textures/fa-18-uv.png",
                                        "./Textures/fa-18-glow.png", physics.get());
        return *plane;
    }
    void fly(int frames, float dt = frame) {
        for (int i = 0; i < frames; ++i) {
            plane->update(dt, window);
            physics->step(dt);
        }
    }
    float forwardSpeed() const {
        const glm::vec3 forward = tavo::scene::forwardAxis(PhysxHandler::getGlobalRotation(plane->actor));
        const btVector3 v = plane->actor->getLinearVelocity();
        return glm::dot(glm::vec3(v.x(), v.y(), v.z()), forward);
    }

    InputState input;
    std::string folder;
    std::unique_ptr<Shader> shader;
    std::unique_ptr<PhysxHandler> physics;
    std::unique_ptr<Plane> plane;
};

} // namespace

// The jet asks for the same motion at any frame rate: settled speeds and turn rate are those of 60 fps.
TEST_F(PlaneTest, SettledSpeedsAndTurnRateDoNotDependOnTheFrameTime) {
    for (const float dt : {1 / 10.0f, 1 / 15.0f, 1 / 20.0f, 1 / 30.0f, 1 / 60.0f, 1 / 144.0f}) {
        SCOPED_TRACE(testing::Message() << "dt 1/" << std::lround(1 / dt));
        plane.reset();
        physics = std::make_unique<PhysxHandler>();
        Plane& jet = makePlane(folder + "/jet.dae");
        input = InputState{};
        const int oneSecond = static_cast<int>(std::lround(1 / dt));
        ASSERT_EQ(physics->planeActor, jet.actor);
        fly(6 * oneSecond, dt);
        EXPECT_NEAR(forwardSpeed(), 49.17f, 49.17f * 0.005f);
        EXPECT_NEAR(jet.actor->getAngularVelocity().length(), 0.0f, 1e-5f);
        jet.update(dt, window);
        // The model's nose (+y) points along the body's forward axis, and the matrix sits at the body.
        const glm::vec3 nose = glm::normalize(glm::vec3(jet.modelMatrix * glm::vec4(0, 1, 0, 0)));
        EXPECT_NEAR(glm::dot(nose, glm::vec3(0, 0, 1)), 1.0f, 1e-5f);
        EXPECT_NEAR(glm::distance(glm::vec3(jet.modelMatrix[3]), PhysxHandler::getGlobalPosition(jet.actor)),
                    0.0f, 1e-3f);
        input.boostButton = 1;
        jet.boostReserve = 100.0f; // as refilled by cans, long enough to settle
        fly(8 * oneSecond, dt);
        EXPECT_NEAR(forwardSpeed(), 245.8f, 245.8f * 0.005f);
        input.boostButton = 0;
        input.yawAxis = 1.0f;
        fly(2 * oneSecond, dt);
        EXPECT_NEAR(jet.actor->getAngularVelocity().length() / tavo::scene::degree, 75.0f, 75.0f * 0.005f);
    }
}

// A scripted 20-second flight high above the ground, flown at several frame times: it ends where and
// heading where the same flight at 60 fps ends.
TEST_F(PlaneTest, ScriptedFlightEndsAtTheSamePlaceAtAnyFrameRate) {
    struct Leg {
        int from, to; // whole seconds, so every frame time meets the boundaries
        float InputState::*axis;
        float value;
    };
    const Leg legs[] = {{2, 4, &InputState::pitchAxis, 1.0f},   {4, 5, &InputState::rollAxis, 1.0f},
                        {5, 7, &InputState::yawAxis, 1.0f},     {10, 11, &InputState::pitchAxis, -1.0f},
                        {11, 12, &InputState::rollAxis, -1.0f}, {12, 13, &InputState::yawAxis, -1.0f}};
    struct Flight {
        glm::vec3 position, forward;
        float distance;
    };
    auto flyScript = [&](float dt) {
        plane.reset();
        physics = std::make_unique<PhysxHandler>();
        makePlane(folder + "/jet.dae");
        physics->setGlobalPose(plane->actor, {0, 5000, 0});
        float distance = 0;
        const int steps = static_cast<int>(std::lround(20 / dt));
        for (int i = 0; i < steps; ++i) {
            const double t = (i + 0.5) * dt;
            input = InputState{};
            for (const Leg& leg : legs)
                if (t > leg.from && t < leg.to)
                    input.*leg.axis = leg.value;
            input.boostButton = t > 7 && t < 10;
            const glm::vec3 before = PhysxHandler::getGlobalPosition(plane->actor);
            fly(1, dt);
            distance += glm::distance(before, PhysxHandler::getGlobalPosition(plane->actor));
        }
        const glm::quat q = PhysxHandler::getGlobalRotation(plane->actor);
        return Flight{PhysxHandler::getGlobalPosition(plane->actor), tavo::scene::forwardAxis(q), distance};
    };
    const Flight reference = flyScript(1 / 60.0f);
    struct Limit {
        int fps;
        float position, heading; // share of the distance flown, degrees
    };
    for (const Limit limit : {Limit{10, 0.03f, 5}, Limit{15, 0.01f, 2}, Limit{20, 0.01f, 2},
                              Limit{30, 0.01f, 2}, Limit{144, 0.01f, 2}}) {
        const Flight f = flyScript(1.0f / limit.fps);
        const float off = glm::distance(f.position, reference.position) / reference.distance;
        const float heading =
            std::acos(std::clamp(glm::dot(f.forward, reference.forward), -1.0f, 1.0f)) / tavo::scene::degree;
        EXPECT_LT(off, limit.position) << "1/" << limit.fps;
        EXPECT_LT(heading, limit.heading) << "1/" << limit.fps;
    }
}

TEST_F(PlaneTest, BoostApproaches250AndTheReserveLastsFiveSeconds) {
    Plane& jet = makePlane(folder + "/jet.dae");
    input.boostButton = 1;
    int boostedFrames = 0;
    float speedBeforeEmpty = 0;
    while (jet.boostReserve > 0.0f && boostedFrames < 1000) {
        speedBeforeEmpty = forwardSpeed();
        fly(1);
        ++boostedFrames;
    }
    EXPECT_NEAR(boostedFrames, 300, 1);
    EXPECT_NEAR(speedBeforeEmpty, 245.83f, 2.0f); // 99 % of the settled boost speed after 5 s
    EXPECT_GT(jet.boostReserve, -frame);
    const float emptyReserve = jet.boostReserve;
    fly(600);
    EXPECT_EQ(jet.boostReserve, emptyReserve); // held boost with no reserve is plain cruise
    EXPECT_NEAR(forwardSpeed(), 49.1665f, 0.05f);
    // Released half way, the rest of the reserve is kept.
    jet.boostReserve = 5.0f;
    fly(150);
    input.boostButton = 0;
    fly(60);
    EXPECT_NEAR(jet.boostReserve, 2.5f, 1e-4f);
}

TEST_F(PlaneTest, ControlSurfacesFollowTheInputAndReturnOnRelease) {
    Plane& jet = makePlane(folder + "/jet.dae");
    const glm::vec3 wingRightPivot(3.02748f, -3.51338f, 0.18247f),
        wingLeftPivot(-3.02748f, -3.51338f, 0.18247f);
    const glm::vec3 rearPivot(1.82155f, -6.70701f, 0.01233f), finPivot(-1.21618f, -5.60603f, 1.4479f);
    input.rollAxis = 1.0f;
    input.pitchAxis = 1.0f;
    input.yawAxis = -1.0f;
    jet.update(frame, window);
    auto part = [&](int index) { return jet.meshes[index]->modelMatrix; };
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, part(jet.wingRight), wingRightPivot, {1, 0, 0}), 22.0f, 1e-3f);
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, part(jet.wingLeft), wingLeftPivot, {1, 0, 0}), -22.0f, 1e-3f);
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, part(jet.rearWingRight), rearPivot, {1, 0, 0}), -10.0f, 1e-3f);
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, part(jet.topWingLeft), finPivot, {0, 0, 1}), 22.0f, 1e-3f);
    input.rollAxis = input.pitchAxis = input.yawAxis = 0.0f;
    jet.update(frame, window);
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, part(jet.wingRight), wingRightPivot, {1, 0, 0}), 0.0f, 1e-4f);
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, part(jet.topWingLeft), finPivot, {0, 0, 1}), 0.0f, 1e-4f);
    EXPECT_EQ(part(jet.body), jet.modelMatrix);
    EXPECT_EQ(part(jet.hatMesh), glm::translate(jet.modelMatrix, glm::vec3(0, 2.87214f, 1.31086f)));
}

TEST_F(PlaneTest, RollRightDipsTheRightWingAndPitchRaisesTheNose) {
    Plane& jet = makePlane(folder + "/jet.dae");
    input.rollAxis = 1.0f;
    fly(30);
    const glm::quat q = PhysxHandler::getGlobalRotation(jet.actor);
    EXPECT_GT(tavo::scene::sideAxis(q).y, 0.3f); // the left wing rises
    input.rollAxis = 0.0f;
    fly(60);
    input.pitchAxis = 1.0f;
    fly(30);
    EXPECT_GT(tavo::scene::forwardAxis(PhysxHandler::getGlobalRotation(jet.actor)).y, 0.3f);
}

TEST_F(PlaneTest, AfterTheCrashInputsNeitherTurnNorBoost) {
    Plane& jet = makePlane(folder + "/jet.dae");
    fly(120);
    const float cruising = forwardSpeed();
    jet.crashed = true;
    input.rollAxis = input.pitchAxis = input.yawAxis = 1.0f;
    input.boostButton = 1;
    fly(60);
    EXPECT_NEAR(jet.actor->getAngularVelocity().length(), 0.0f, 1e-6f);
    EXPECT_EQ(jet.boostReserve, 5.0f);
    EXPECT_LT(forwardSpeed(), cruising * 0.5f);
    const glm::vec3 pivot(3.02748f, -3.51338f, 0.18247f);
    EXPECT_NEAR(hingeAngle(jet.modelMatrix, jet.meshes[jet.wingRight]->modelMatrix, pivot, {1, 0, 0}), 22.0f,
                1e-3f);
}

TEST_F(PlaneTest, HatIsDrawnOnlyOnceWornAndTheCanopyAlways) {
    Plane& jet = makePlane(folder + "/jet.dae");
    jet.update(frame, window);
    const GLuint without = worlddata::primitivesDrawn([&] { jet.drawWithShader(); });
    EXPECT_EQ(without, 8u * 12u);
    jet.wearsHat = true;
    EXPECT_EQ(worlddata::primitivesDrawn([&] { jet.drawWithShader(); }), 9u * 12u);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { jet.drawWithSpecular(-1, -1); }), 9u * 12u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PlaneTest, MissingPartsAreSkippedAndAMissingFileDrawsNothing) {
    worlddata::writeJet(folder + "/partial.dae", {"wing_left", "hat", "window"});
    Plane& jet = makePlane(folder + "/partial.dae");
    EXPECT_EQ(jet.wingLeft, -1);
    EXPECT_EQ(jet.hatMesh, -1);
    EXPECT_EQ(jet.windowMesh, -1);
    EXPECT_GE(jet.wingRight, 0);
    input.rollAxis = 1.0f;
    jet.wearsHat = true;
    fly(10);
    EXPECT_EQ(worlddata::primitivesDrawn([&] { jet.drawWithShader(); }), 6u * 12u);
    // No model file at all: it flies but draws nothing.
    plane.reset();
    physics = std::make_unique<PhysxHandler>();
    Plane& none = makePlane(folder + "/no-such-file.dae");
    EXPECT_TRUE(none.meshes.empty());
    const float z = PhysxHandler::getGlobalPosition(none.actor).z;
    fly(60);
    EXPECT_GT(PhysxHandler::getGlobalPosition(none.actor).z, z + 10.0f);
    EXPECT_EQ(worlddata::primitivesDrawn([&] {
                  none.drawWithShader();
                  none.drawWithSpecular(-1, -1);
                  none.draw();
              }),
              0u);
}

TEST_F(PlaneTest, GaugeFillsWithTheReserveAndRestoresDepthWrites) {
    Plane& jet = makePlane(folder + "/jet.dae");
    auto barPixels = [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        jet.drawBoostGauge();
        glFinish();
        // The bar spans x -0.9..-0.5 and y -0.9..-0.8 in device coordinates: a quarter and three quarters
        // along.
        const int row = static_cast<int>(0.075f * height);
        return std::make_pair(readPixels(static_cast<int>(0.1f * width), row, 1, 1),
                              readPixels(static_cast<int>(0.2f * width), row, 1, 1));
    };
    jet.boostReserve = 2.5f;
    const auto half = barPixels();
    EXPECT_NE(half.first, half.second);
    EXPECT_NE(half.first, std::vector<unsigned char>({0, 0, 0, 255}));
    jet.boostReserve = 5.0f;
    const auto full = barPixels();
    EXPECT_EQ(full.first, full.second);
    EXPECT_EQ(full.first, half.first);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
}
