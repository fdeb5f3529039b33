#pragma once
#include <GL/glew.h>

// The switches the passes change and put back, as the game last set them.
struct GlSwitches {
    bool blend = false;
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;
    GLenum polygonMode = GL_FILL;
};

// Everything that changes one of these switches does it through here, so a pass learns what to put back from
// the record instead of asking the driver: a glGet in a frame makes a threaded driver wait for its queue.
// Each set is passed on to the GL, even when the record already holds the value.
class GlState {
public:
    static const GlSwitches& current() { return record; }
    // Sets every switch, for a context that was just made.
    static void reset(const GlSwitches& switches);
    static void setBlend(bool on);
    static void setDepthTest(bool on);
    static void setDepthFunc(GLenum function);
    static void setPolygonMode(GLenum mode);

private:
    static inline GlSwitches record;
};

// A pass's changes to the switches: the destructor puts back each one that differs from the start of its
// scope.
class ScopedGlState {
public:
    ScopedGlState() : saved(GlState::current()) {}
    ~ScopedGlState();
    ScopedGlState(const ScopedGlState&) = delete;
    ScopedGlState& operator=(const ScopedGlState&) = delete;

private:
    GlSwitches saved;
};
