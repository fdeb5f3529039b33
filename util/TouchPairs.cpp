#include "util/TouchPairs.h"

#include <functional>

namespace tavo::util {

TouchPairs::TouchPairs(std::size_t expectedPairs) {
    current.reserve(expectedPairs);
    previous.reserve(expectedPairs);
}

bool TouchPairs::isTrigger(const btCollisionObject* object) {
    return (object->getCollisionFlags() & btCollisionObject::CF_NO_CONTACT_RESPONSE) != 0;
}

bool TouchPairs::touches(const btPersistentManifold& manifold) {
    const bool trigger = isTrigger(manifold.getBody0()) || isTrigger(manifold.getBody1());
    const btScalar limit = trigger ? btScalar(0) : btScalar(contactDistance);
    for (int i = 0; i < manifold.getNumContacts(); ++i)
        if (manifold.getContactPoint(i).getDistance() <= limit)
            return true;
    return false;
}

void TouchPairs::forget(const btCollisionObject* object) {
    previous.erase(
        std::remove_if(previous.begin(), previous.end(),
                       [object](const Pair& p) { return p.first == object || p.second == object; }),
        previous.end());
}

TouchPairs::Pair TouchPairs::ordered(const btCollisionObject* a, const btCollisionObject* b) {
    return std::less<const btCollisionObject*>()(a, b) ? Pair(a, b) : Pair(b, a);
}

bool TouchPairs::before(const Pair& a, const Pair& b) {
    const std::less<const btCollisionObject*> less;
    if (a.first != b.first)
        return less(a.first, b.first);
    return less(a.second, b.second);
}

} // namespace tavo::util
