#include "util/PhysxHandler.h"

#include "util/FatalError.h"

#include <BulletCollision/CollisionDispatch/btManifoldResult.h>

#include <algorithm>
#include <cmath>

namespace tavo::util {

namespace {

// PhysX combines two materials by their average; Bullet would multiply them (0.5 x 0.5 friction, 0.36
// bounce).
btScalar averageRestitution(const btCollisionObject* a, const btCollisionObject* b) {
    return (a->getRestitution() + b->getRestitution()) / 2;
}

btScalar averageFriction(const btCollisionObject* a, const btCollisionObject* b) {
    return (a->getFriction() + b->getFriction()) / 2;
}

// PhysX's bounce threshold (0.2 x its speed scale of 10); below it an impact does not bounce, so a body comes
// to rest instead of jittering.
constexpr float bounceThresholdVelocity = 2.0f;

// The mass of a trigger changes nothing (it never collides and has no gravity) but must be above 0 for Bullet
// to treat it as dynamic: only dynamic bodies are paired with the static terrain.
constexpr float triggerMass = 1.0f;
constexpr float triggerAngularDamping = 0.5f;

constexpr float planeRadius = 1.5f;
constexpr float planeLength = 14.0f;
constexpr float planeMass = 1.0f;
// CCD acts once a step moves the jet more than this, with a sphere inside the capsule's radius.
constexpr float planeCcdMotionThreshold = 1.0f;
constexpr float planeCcdSweptSphereRadius = 1.2f;

const btQuaternion modelToWorldTurn(-0.70710677f, 0.0f, 0.0f, 0.70710677f);

btVector3 toBullet(const glm::vec3& v) {
    return btVector3(v.x, v.y, v.z);
}

bool isFinite(const glm::vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The game was tuned at 60 steps a second: each kept 1 - c/60 of the velocity after a change of rate / 60.
constexpr float tunedStepsPerSecond = 60.0f;

struct Relaxed {
    btVector3 end;  // the velocity after the step
    btVector3 mean; // the mean of the velocities of the 1/60 s steps it stands for, which the body moves by
};

// Velocity v under a steady change rate a and damping c over dt: the closed form of 60 dt steps of
// v <- (v + a/60) k with k = 1 - c/60, so that any frame time gives the 60 fps motion (exactly it at 1/60 s).
// The velocity settles at a k / c.
Relaxed relax(const btVector3& v, const btVector3& a, float c, float dt) {
    const float n = tunedStepsPerSecond * dt;
    if (c <= 0.0f) {
        const btVector3 end = v + a * dt;
        return {end, v + a * ((n + 1.0f) / (2.0f * tunedStepsPerSecond))};
    }
    const float k = std::max(0.0f, 1.0f - c / tunedStepsPerSecond);
    const float kept = std::pow(k, n);
    const btVector3 settled = a * (k / c);
    const btVector3 end = settled + (v - settled) * kept;
    // The sum of the steps' velocities over n, the mean: settled + (v - settled) k (1 - k^n) / (1 - k) / n.
    const btVector3 mean = settled + (v - settled) * (k * (1.0f - kept) / (c * dt));
    return {end, mean};
}

} // namespace

PhysxHandler::PhysxHandler() {
    collisionConfiguration.reset(placeBulletObject<btDefaultCollisionConfiguration>());
    if (!collisionConfiguration)
        fatalError("ERROR: Could not create Physx Foundation");
    dispatcher.reset(placeBulletObject<btCollisionDispatcher>(collisionConfiguration.get()));
    broadphase.reset(placeBulletObject<btDbvtBroadphase>());
    solver.reset(placeBulletObject<btSequentialImpulseConstraintSolver>());
    if (dispatcher && broadphase && solver)
        scene.reset(placeBulletObject<btDiscreteDynamicsWorld>(dispatcher.get(), broadphase.get(),
                                                               solver.get(), collisionConfiguration.get()));
    if (!scene)
        fatalError("ERROR: Could not create Physics");

    scene->setGravity(btVector3(0.0f, gravity, 0.0f));
    scene->getSolverInfo().m_restitutionVelocityThreshold = bounceThresholdVelocity;
    gCalculateCombinedRestitutionCallback = averageRestitution;
    gCalculateCombinedFrictionCallback = averageFriction;
    dynamicBodies.reserve(8);
}

PhysxHandler::~PhysxHandler() {
    // The world refers to the bodies, and the bodies to their shapes and meshes.
    scene.reset();
    bodies.clear();
    shapes.clear();
    meshes.clear();
}

btRigidBody* PhysxHandler::addBody(std::unique_ptr<btCollisionShape> shape, float mass,
                                   const btVector3& inertia, const btTransform& pose) {
    btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, shape.get(), inertia);
    info.m_startWorldTransform = pose;
    info.m_friction = material.friction;
    info.m_restitution = material.restitution;
    auto body = std::make_unique<btRigidBody>(info);
    btRigidBody* raw = body.get();
    if (mass > 0.0f) {
        // Gravity is applied by hand in the damping bracket; the flag must be set before the body joins the
        // world, or a later setGravity of the world would give it Bullet's gravity again.
        raw->setFlags(raw->getFlags() | BT_DISABLE_WORLD_GRAVITY);
        raw->setActivationState(DISABLE_DEACTIVATION);
    }
    shapes.push_back(std::move(shape));
    bodies.push_back(std::move(body));
    scene->addRigidBody(raw);
    if (mass > 0.0f) {
        raw->setGravity(btVector3(0.0f, 0.0f, 0.0f));
        dynamicBodies.push_back({raw, 0.0f, 0.0f, false});
    }
    return raw;
}

btRigidBody* PhysxHandler::createPlaneBody(const glm::vec3& position) {
    btTransform pose(btQuaternion::getIdentity(), toBullet(position));
    btRigidBody* body = addBody(std::make_unique<btCapsuleShapeZ>(planeRadius, planeLength), planeMass,
                                btVector3(1.0f, 1.0f, 1.0f), pose);
    body->setCcdMotionThreshold(planeCcdMotionThreshold);
    body->setCcdSweptSphereRadius(planeCcdSweptSphereRadius);
    return body;
}

btRigidBody* PhysxHandler::createTriggerSphere(float radius, const glm::vec3& position) {
    btTransform pose(btQuaternion::getIdentity(), toBullet(position));
    const float inertia = 0.4f * triggerMass * radius * radius;
    btRigidBody* body = addBody(std::make_unique<btSphereShape>(radius), triggerMass,
                                btVector3(inertia, inertia, inertia), pose);
    body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_NO_CONTACT_RESPONSE);
    setDamping(body, 0.0f, triggerAngularDamping);
    return body;
}

btRigidBody* PhysxHandler::createTerrainPiece(const std::vector<glm::vec3>& positions,
                                              const std::vector<std::uint32_t>& triangleIndices, float scale,
                                              const glm::vec3& translation) {
    // Each shape gets its own mesh: the scaling of a BVH shape is written into its mesh interface.
    auto mesh = std::make_unique<btTriangleMesh>(true, false);
    for (std::size_t i = 0; i + 2 < triangleIndices.size(); i += 3) {
        const std::uint32_t a = triangleIndices[i], b = triangleIndices[i + 1], c = triangleIndices[i + 2];
        if (a >= positions.size() || b >= positions.size() || c >= positions.size())
            continue;
        if (!isFinite(positions[a]) || !isFinite(positions[b]) || !isFinite(positions[c]))
            continue;
        mesh->addTriangle(toBullet(positions[a]), toBullet(positions[b]), toBullet(positions[c]), false);
    }
    if (mesh->getNumTriangles() == 0 || !(scale > 0.0f) || !std::isfinite(scale))
        return nullptr;

    auto shape = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true);
    shape->setLocalScaling(btVector3(scale, scale, scale));
    meshes.push_back(std::move(mesh));
    return addBody(std::move(shape), 0.0f, btVector3(0.0f, 0.0f, 0.0f),
                   btTransform(modelToWorldTurn, toBullet(translation)));
}

void PhysxHandler::setGlobalPose(btRigidBody* body, const glm::vec3& position) {
    if (!body)
        return;
    const btTransform pose(btQuaternion::getIdentity(), toBullet(position));
    // Both transforms: with the old interpolation transform the broadphase box would sweep from the old
    // place.
    body->setWorldTransform(pose);
    body->setInterpolationWorldTransform(pose);
    scene->updateSingleAabb(body);
    body->activate(true);
}

PhysxHandler::DynamicBody* PhysxHandler::findDynamic(const btRigidBody* body) {
    for (DynamicBody& entry : dynamicBodies)
        if (entry.body == body)
            return &entry;
    return nullptr;
}

const PhysxHandler::DynamicBody* PhysxHandler::findDynamic(const btRigidBody* body) const {
    for (const DynamicBody& entry : dynamicBodies)
        if (entry.body == body)
            return &entry;
    return nullptr;
}

void PhysxHandler::setDamping(btRigidBody* body, float linear, float angular) {
    if (DynamicBody* entry = findDynamic(body)) {
        entry->linearDamping = std::max(0.0f, linear);
        entry->angularDamping = std::max(0.0f, angular);
    }
}

void PhysxHandler::setGravityEnabled(btRigidBody* body, bool enabled) {
    if (DynamicBody* entry = findDynamic(body))
        entry->gravityOn = enabled;
}

bool PhysxHandler::gravityEnabled(const btRigidBody* body) const {
    const DynamicBody* entry = findDynamic(body);
    return entry && entry->gravityOn;
}

void PhysxHandler::release(btRigidBody* body) {
    auto owned =
        std::find_if(bodies.begin(), bodies.end(), [body](const auto& b) { return b.get() == body; });
    if (!body || owned == bodies.end())
        return;
    scene->removeRigidBody(body);
    touchPairs.forget(body);
    dynamicBodies.erase(std::remove_if(dynamicBodies.begin(), dynamicBodies.end(),
                                       [body](const DynamicBody& d) { return d.body == body; }),
                        dynamicBodies.end());
    for (btRigidBody** entry : {&planeActor, &ringActor, &boostActor, &hatActor})
        if (*entry == body)
            *entry = nullptr;
    for (btRigidBody*& tile : terrainTileActors)
        if (tile == body)
            tile = nullptr;
    bodies.erase(owned);
}

void PhysxHandler::addVelocityChange(btRigidBody* body, const glm::vec3& linear) {
    if (!body)
        return;
    body->setLinearVelocity(body->getLinearVelocity() + toBullet(linear));
    body->activate(true);
}

void PhysxHandler::addAngularVelocityChange(btRigidBody* body, const glm::vec3& angular) {
    if (!body)
        return;
    body->setAngularVelocity(body->getAngularVelocity() + toBullet(angular));
    body->activate(true);
}

void PhysxHandler::addVelocityChangeRate(btRigidBody* body, const glm::vec3& linear,
                                         const glm::vec3& angular) {
    if (DynamicBody* entry = findDynamic(body)) {
        entry->linearRate += toBullet(linear);
        entry->angularRate += toBullet(angular);
        body->activate(true);
    }
}

glm::vec3 PhysxHandler::getGlobalPosition(const btRigidBody* body) {
    const btVector3& p = body->getWorldTransform().getOrigin();
    return glm::vec3(p.x(), p.y(), p.z());
}

glm::quat PhysxHandler::getGlobalRotation(const btRigidBody* body) {
    const btQuaternion q = body->getWorldTransform().getRotation();
    return glm::quat(q.w(), q.x(), q.y(), q.z());
}

std::optional<float> PhysxHandler::raycastUp(const btRigidBody* shapeOwner, const btRigidBody* poseOwner,
                                             const glm::vec3& origin, float maxDistance) {
    if (!shapeOwner || !poseOwner || !isFinite(origin) || !(maxDistance > 0.0f))
        return std::nullopt;
    const btVector3 from = toBullet(origin);
    const btVector3 to = from + btVector3(0.0f, maxDistance, 0.0f);
    btCollisionWorld::ClosestRayResultCallback result(from, to);
    result.m_flags = 0; // back faces are hit too
    // Bullet only records the object in the result; nothing is written to it.
    btCollisionObject* hitObject = const_cast<btRigidBody*>(shapeOwner);
    btCollisionWorld::rayTestSingle(btTransform(btQuaternion::getIdentity(), from),
                                    btTransform(btQuaternion::getIdentity(), to), hitObject,
                                    shapeOwner->getCollisionShape(), poseOwner->getWorldTransform(), result);
    if (!result.hasHit())
        return std::nullopt;
    return result.m_closestHitFraction * maxDistance;
}

int PhysxHandler::stepParts(float dt) {
    if (!std::isfinite(dt) || dt <= 0.0f)
        return 0;
    // A frame a rounding error over the limit is still one step.
    const float parts = std::ceil(dt / longestStep - 1e-3f);
    return static_cast<int>(std::clamp(parts, 1.0f, static_cast<float>(mostStepParts)));
}

void PhysxHandler::step(float dt) {
    if (!std::isfinite(dt) || dt <= 0.0f)
        return;
    // Velocity changes given at once are already in the velocity; the rates, gravity and damping follow. The
    // body moves by the mean velocity of the step; the solver's own change of it (a bounce) is kept on top
    // of the end velocity.
    for (DynamicBody& entry : dynamicBodies) {
        btVector3 linearRate = entry.linearRate;
        if (entry.gravityOn)
            linearRate += btVector3(0.0f, gravity, 0.0f);
        const Relaxed linear = relax(entry.body->getLinearVelocity(), linearRate, entry.linearDamping, dt);
        const Relaxed angular =
            relax(entry.body->getAngularVelocity(), entry.angularRate, entry.angularDamping, dt);
        entry.body->setLinearVelocity(linear.mean);
        entry.body->setAngularVelocity(angular.mean);
        entry.linearToEnd = linear.end - linear.mean;
        entry.angularToEnd = angular.end - angular.mean;
        entry.linearRate.setZero();
        entry.angularRate.setZero();
    }
    scene->stepSimulation(dt, 0);
    for (const DynamicBody& entry : dynamicBodies) {
        entry.body->setLinearVelocity(entry.body->getLinearVelocity() + entry.linearToEnd);
        entry.body->setAngularVelocity(entry.body->getAngularVelocity() + entry.angularToEnd);
    }
    touchPairs.update(*dispatcher,
                      [this](const btCollisionObject* a, const btCollisionObject* b) { onTouchStart(a, b); });
}

void PhysxHandler::onTouchStart(const btCollisionObject* a, const btCollisionObject* b) {
    const bool aTrigger = TouchPairs::isTrigger(a);
    const bool bTrigger = TouchPairs::isTrigger(b);
    if (aTrigger && bTrigger)
        return; // two triggers never report each other
    if (aTrigger)
        onTrigger(a, b);
    else if (bTrigger)
        onTrigger(b, a);
    else
        onContact(a, b);
}

bool PhysxHandler::isTerrainTile(const btCollisionObject* object) const {
    return object &&
           std::find(terrainTileActors.begin(), terrainTileActors.end(), object) != terrainTileActors.end();
}

void PhysxHandler::onContact(const btCollisionObject* first, const btCollisionObject* second) {
    if (!planeActor)
        return;
    if ((first == planeActor && isTerrainTile(second)) || (second == planeActor && isTerrainTile(first)))
        planeCrashed = true;
}

void PhysxHandler::onTrigger(const btCollisionObject* trigger, const btCollisionObject* other) {
    if (!trigger || !other)
        return;
    if (other == planeActor) {
        if (trigger == ringActor)
            ringPassed = true;
        else if (trigger == boostActor)
            boostCollected = true;
        else if (trigger == hatActor)
            hatCollected = true;
    }
    if (trigger == ringActor && isTerrainTile(other))
        ringInTerrain = true;
}

} // namespace tavo::util
