#pragma once
#include "app/SceneGlobals.h"
#include "scene/FlightModel.h"

// Puts an object's trigger, and its picture, this far ahead of the assembled game's jet along its nose.
inline void placeAheadOfJet(btRigidBody* actor, glm::mat4& modelMatrix, float distance) {
    const btRigidBody* jet = physxHandler->planeActor;
    const glm::vec3 place =
        tavo::util::PhysxHandler::getGlobalPosition(jet) +
        tavo::scene::forwardAxis(tavo::util::PhysxHandler::getGlobalRotation(jet)) * distance;
    physxHandler->setGlobalPose(actor, place);
    modelMatrix[3] = glm::vec4(place, 1.0f);
}
