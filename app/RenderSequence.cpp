#include "app/FrameSteps.h"
#include "app/GameState.h"

void renderFrame(float dt) {
    renderShadowPass();
    renderMainPass();
    drawHud(dt);
}

void renderShadowPass() {}

void renderMainPass() {}
