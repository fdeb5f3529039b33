#pragma once
#include <LinearMath/btAlignedAllocator.h>

#include <new>
#include <utility>

namespace tavo::util {

// Bullet's own allocator returns null when memory runs out (its operator new would then construct into null),
// so the set-up objects are placed into memory we have checked, and handed back the same way.
struct BulletDeleter {
    template <class T> void operator()(T* object) const {
        object->~T();
        btAlignedFree(object);
    }
};

// Null when the allocation fails; the caller decides whether that is fatal.
template <class T, class... Args> T* placeBulletObject(Args&&... args) {
    void* memory = btAlignedAlloc(sizeof(T), 16);
    if (!memory)
        return nullptr;
    return new (memory) T(std::forward<Args>(args)...);
}

} // namespace tavo::util
