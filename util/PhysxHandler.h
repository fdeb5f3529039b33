#pragma once
#include "util/BulletDeleter.h"
#include "util/TouchPairs.h"

#include <btBulletDynamicsCommon.h>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tavo::util {

// The one surface material of every body. Two bodies meeting use the average of their values, as PhysX does.
struct Material {
    float friction = 0.5f;
    float restitution = 0.6f;
};

// Owns the physics world of the game and every Bullet object in it, and turns touches that start into the
// game's event flags. Everything runs on the caller's thread inside step(): the flags need no locks.
//
// Bullet is made to behave like the PhysX 3.3 scene the game was tuned on: steps of exactly the time given
// (a long frame in equal parts, see stepFrame), damping and gravity of the dynamic bodies applied by hand
// before the step (Bullet's own damping would stop the jet dead), touch and overlap events reported once when
// they start, and triggers that are dynamic bodies without contact response (only dynamic bodies pair with
// the static terrain).
class PhysxHandler {
public:
    static constexpr int terrainTileCount = 9;
    static constexpr float gravity = -49.05f;
    static constexpr float upwardRayLength = 200.0f;

    // Ends the process with a message if Bullet cannot allocate its world.
    PhysxHandler();
    ~PhysxHandler();
    PhysxHandler(const PhysxHandler&) = delete;
    PhysxHandler& operator=(const PhysxHandler&) = delete;

    // The jet: a capsule of radius 1.5 and length 14 between its sphere centres along local z, mass 1,
    // inertia (1, 1, 1), no damping and no gravity until set, never asleep, with continuous collision
    // detection so that a long frame cannot carry it through a hill.
    btRigidBody* createPlaneBody(const glm::vec3& position);

    // A sphere that reports overlaps and never moves by itself: no contact response, no gravity, never
    // asleep.
    btRigidBody* createTriggerSphere(float radius, const glm::vec3& position);

    // A static triangle mesh from vertex positions and three indices per triangle (the data is copied),
    // scaled uniformly and turned from the z-up model frame to y-up (-pi/2 about x) at the translation.
    // Triangles with an index out of range or a non-finite corner are left out; null when no triangle is
    // left.
    btRigidBody* createTerrainPiece(const std::vector<glm::vec3>& positions,
                                    const std::vector<std::uint32_t>& triangleIndices, float scale,
                                    const glm::vec3& translation);

    // Teleports a body (identity rotation) and wakes it; world queries see the new place at once.
    void setGlobalPose(btRigidBody* body, const glm::vec3& position);

    // Damping per second, tuned on steps of 1/60 s: each such step keeps 1 - c/60 of the velocity. A step of
    // any length keeps what that many 1/60 s steps would, so the motion does not depend on the frame rate.
    void setDamping(btRigidBody* body, float linear, float angular);
    void setGravityEnabled(btRigidBody* body, bool enabled);
    bool gravityEnabled(const btRigidBody* body) const;

    // Takes the body out of the world for good: its pairs are forgotten, registry entries naming it are
    // cleared, and it is deleted. The pointer is dangling afterwards.
    void release(btRigidBody* body);

    // Velocity changes in the world frame, taking effect at once (PhysX eVELOCITY_CHANGE).
    static void addVelocityChange(btRigidBody* body, const glm::vec3& linear);
    static void addAngularVelocityChange(btRigidBody* body, const glm::vec3& angular);

    // A steady velocity change over the next step, per second (world frame): thrust and turning. The step
    // gives it the way steps of 1/60 s would, rate / 60 before each one's damping, whatever its length; at
    // 1/60 s it equals a velocity change of rate x dt.
    void addVelocityChangeRate(btRigidBody* body, const glm::vec3& linear, const glm::vec3& angular);

    static glm::vec3 getGlobalPosition(const btRigidBody* body);
    static glm::quat getGlobalRotation(const btRigidBody* body);

    // Casts a ray straight up from origin against the shape of shapeOwner placed at the pose of poseOwner
    // (the terrain pieces share one pose). Back faces count, so a ray from under a surface finds it. Distance
    // of the closest hit, or nothing.
    static std::optional<float> raycastUp(const btRigidBody* shapeOwner, const btRigidBody* poseOwner,
                                          const glm::vec3& origin, float maxDistance = upwardRayLength);

    // One step of exactly dt (no sub-steps), then the event flags of the touches that started. A frame time
    // that is not a positive finite number steps nothing. Damping, gravity and the velocity change rates act
    // in closed form, as the 1/60 s steps of the same time would, and the bodies move by those steps' mean
    // velocity.
    void step(float dt);

    // The longest step a frame takes. A trigger is only seen where a step ends inside it: at boost speed
    // (about 250 units/s) the jet then moves some 8 units a step, well inside its 39 units of travel through
    // the ring, and less through a pickup's side.
    static constexpr float longestStep = 1.0f / 30.0f;
    // A frame of more than 2 s (a machine waking up) takes longer parts rather than a long hitch of its own.
    static constexpr int mostStepParts = 60;

    // How many equal parts a frame of dt is stepped in: 1 up to longestStep, none for a frame time that is
    // not a positive finite number.
    static int stepParts(float dt);

    // Advances a frame of dt in stepParts(dt) equal steps, each one a step() of its own, after
    // beforePart(part time): the flight gives its velocity changes per part, from the pose that part starts
    // at. The event flags gather the touches that started in any part.
    template <class BeforePart> void stepFrame(float dt, BeforePart&& beforePart) {
        const int parts = stepParts(dt);
        for (int i = 0; i < parts; ++i) {
            beforePart(dt / parts);
            step(dt / parts);
        }
    }

    // The event rules of the game. A trigger reports the jet entering it; only the ring's trigger reports a
    // terrain piece. A solid contact between the jet and a terrain piece is a crash.
    void onContact(const btCollisionObject* first, const btCollisionObject* second);
    void onTrigger(const btCollisionObject* trigger, const btCollisionObject* other);

    bool isTerrainTile(const btCollisionObject* object) const;

    // The world. The destructor deletes it first, then the bodies, shapes and meshes it used.
    std::unique_ptr<btDiscreteDynamicsWorld, BulletDeleter> scene;
    Material material;

    // Actor registry, filled by the objects that create the bodies; entries are cleared when a body is
    // released.
    btRigidBody* planeActor = nullptr;
    btRigidBody* ringActor = nullptr;
    btRigidBody* boostActor = nullptr;
    btRigidBody* hatActor = nullptr;
    std::array<btRigidBody*, terrainTileCount> terrainTileActors{};

    // Game events: set here, read and cleared by the world update.
    bool planeCrashed = false;
    bool ringPassed = false;
    bool ringInTerrain = false;
    bool boostCollected = false;
    bool hatCollected = false;

private:
    struct DynamicBody {
        btRigidBody* body;
        float linearDamping;
        float angularDamping;
        bool gravityOn;
        btVector3 linearRate{0, 0, 0};
        btVector3 angularRate{0, 0, 0};
        // What the step's end velocity differs from the mean velocity the body moves by.
        btVector3 linearToEnd{0, 0, 0};
        btVector3 angularToEnd{0, 0, 0};
    };

    btRigidBody* addBody(std::unique_ptr<btCollisionShape> shape, float mass, const btVector3& inertia,
                         const btTransform& pose);
    DynamicBody* findDynamic(const btRigidBody* body);
    const DynamicBody* findDynamic(const btRigidBody* body) const;
    void onTouchStart(const btCollisionObject* a, const btCollisionObject* b);

    std::unique_ptr<btDefaultCollisionConfiguration, BulletDeleter> collisionConfiguration;
    std::unique_ptr<btCollisionDispatcher, BulletDeleter> dispatcher;
    std::unique_ptr<btDbvtBroadphase, BulletDeleter> broadphase;
    std::unique_ptr<btSequentialImpulseConstraintSolver, BulletDeleter> solver;
    std::vector<std::unique_ptr<btTriangleMesh>> meshes;
    std::vector<std::unique_ptr<btCollisionShape>> shapes;
    std::vector<std::unique_ptr<btRigidBody>> bodies;
    std::vector<DynamicBody> dynamicBodies;
    TouchPairs touchPairs;
};

} // namespace tavo::util
