#pragma once

// The engine sound's pitch and loudness, gliding toward what the flight asks for: cruise, or the higher,
// louder boost, or silence once the end sequence runs. Each glide is an exponential approach, value moving by
// the factor 1 - exp(-dt / tau) toward its target, so n frames of dt give exactly one frame of n x dt: the
// sound follows the same curve at 10 frames per second as at 144. The whole sound fades in over the first
// half second of play.
class EngineTone {
public:
    static constexpr float cruisePitch = 1.0f;
    static constexpr float boostPitch = 1.5f;
    static constexpr float cruiseGain = 0.45f;
    static constexpr float boostGain = 0.6f;
    static constexpr float fadeInSeconds = 0.5f;
    static constexpr float pitchSeconds = 0.3f;   // time constant of the pitch glide
    static constexpr float gainSeconds = 0.3f;    // of the loudness glide while flying
    static constexpr float silenceSeconds = 0.1f; // of the fade to silence at the end

    void advance(float dt, bool boosting, bool silent);

    float pitch() const { return currentPitch; }
    // The source's gain: the glided loudness times the fade-in.
    float gain() const;

private:
    float currentPitch = cruisePitch;
    float level = cruiseGain;
    float elapsed = 0.0f;
};

// value moved toward target by one step of dt, with time constant tau (seconds).
float glide(float value, float target, float dt, float tau);
