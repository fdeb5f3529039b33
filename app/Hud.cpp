#include "app/FrameSteps.h"

void drawHud(float) {}
