#include "app/FrameSteps.h"
#include "app/GameState.h"
#include "scene/InputState.h"

void updateWorld(GLFWwindow*, float) {
    pollInput();
}

float boostReserveLeft() {
    return 0.0f;
}
