#pragma once
#include <BulletCollision/BroadphaseCollision/btDispatcher.h>
#include <BulletCollision/CollisionDispatch/btCollisionObject.h>
#include <BulletCollision/NarrowPhaseCollision/btPersistentManifold.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace tavo::util {

// Bullet keeps a manifold for as long as two bodies overlap; the game wants one report when a touch starts.
// This keeps the touching pairs of the last step and reports only the pairs that were not touching then. Both
// lists keep their capacity, so a steady scene allocates nothing per step.
class TouchPairs {
public:
    using Pair = std::pair<const btCollisionObject*, const btCollisionObject*>;

    // A trigger must really overlap; a solid contact counts within this distance (PhysX's contact offset,
    // twice).
    static constexpr float contactDistance = 0.04f;

    explicit TouchPairs(std::size_t expectedPairs = 64);

    static bool isTrigger(const btCollisionObject* object);
    static bool touches(const btPersistentManifold& manifold);

    // Collects this step's touching pairs from the dispatcher's manifolds and calls onStart(a, b) for every
    // pair that did not touch in the previous step.
    template <class OnStart> void update(btDispatcher& dispatcher, OnStart&& onStart) {
        current.clear();
        const int manifoldCount = dispatcher.getNumManifolds();
        for (int i = 0; i < manifoldCount; ++i) {
            const btPersistentManifold* manifold = dispatcher.getManifoldByIndexInternal(i);
            if (manifold && touches(*manifold))
                current.push_back(ordered(manifold->getBody0(), manifold->getBody1()));
        }
        std::sort(current.begin(), current.end(), before);
        current.erase(std::unique(current.begin(), current.end()), current.end());
        for (const Pair& pair : current)
            if (!std::binary_search(previous.begin(), previous.end(), pair, before))
                onStart(pair.first, pair.second);
        previous.swap(current);
    }

    // A body leaving the world must not be remembered: a new body may later get its address.
    void forget(const btCollisionObject* object);

    std::size_t touchingCount() const { return previous.size(); }

private:
    static Pair ordered(const btCollisionObject* a, const btCollisionObject* b);
    static bool before(const Pair& a, const Pair& b);

    std::vector<Pair> current;
    std::vector<Pair> previous;
};

} // namespace tavo::util
