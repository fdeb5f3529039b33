#include "app/EngineTone.h"

#include <algorithm>
#include <cmath>

float glide(float value, float target, float dt, float tau) {
    return target + (value - target) * std::exp(-std::max(dt, 0.0f) / tau);
}

void EngineTone::advance(float dt, bool boosting, bool silent) {
    elapsed = std::min(elapsed + std::max(dt, 0.0f), fadeInSeconds);
    currentPitch = glide(currentPitch, boosting ? boostPitch : cruisePitch, dt, pitchSeconds);
    if (silent)
        level = glide(level, 0.0f, dt, silenceSeconds);
    else
        level = glide(level, boosting ? boostGain : cruiseGain, dt, gainSeconds);
}

float EngineTone::gain() const {
    return level * elapsed / fadeInSeconds;
}
