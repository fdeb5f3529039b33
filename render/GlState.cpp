#include "render/GlState.h"

namespace {

void enable(GLenum capability, bool on) {
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

} // namespace

void GlState::reset(const GlSwitches& switches) {
    setBlend(switches.blend);
    setDepthTest(switches.depthTest);
    setDepthFunc(switches.depthFunc);
    setPolygonMode(switches.polygonMode);
}

void GlState::setBlend(bool on) {
    enable(GL_BLEND, on);
    record.blend = on;
}

void GlState::setDepthTest(bool on) {
    enable(GL_DEPTH_TEST, on);
    record.depthTest = on;
}

void GlState::setDepthFunc(GLenum function) {
    glDepthFunc(function);
    record.depthFunc = function;
}

void GlState::setPolygonMode(GLenum mode) {
    glPolygonMode(GL_FRONT_AND_BACK, mode);
    record.polygonMode = mode;
}

ScopedGlState::~ScopedGlState() {
    const GlSwitches& now = GlState::current();
    if (now.blend != saved.blend)
        GlState::setBlend(saved.blend);
    if (now.depthTest != saved.depthTest)
        GlState::setDepthTest(saved.depthTest);
    if (now.depthFunc != saved.depthFunc)
        GlState::setDepthFunc(saved.depthFunc);
    if (now.polygonMode != saved.polygonMode)
        GlState::setPolygonMode(saved.polygonMode);
}
