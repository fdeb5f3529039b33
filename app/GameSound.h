#pragma once
#include "app/EngineTone.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <array>

// The game's sounds: the engine loop that follows the throttle and the one-shot cues of the game's events,
// played through OpenAL on the default device. Owns the device, the context and every source and buffer,
// and deletes them in its destructor while the context exists. Main thread only.
//
// Without a device, with an OpenAL that fails, or with a sound file missing or broken, the game plays on
// silently and nothing is printed: whatever could not be made simply stays quiet.
class GameSound {
public:
    enum class Cue { Ring, Hat, Boost, Crash };

    // Opens the device and loads the sounds from "./Sounds/"; the engine starts looping, faded out.
    GameSound();
    // Fades everything out for a few hundredths of a second, so the exit does not click, then deletes it all.
    ~GameSound();
    GameSound(const GameSound&) = delete;
    GameSound& operator=(const GameSound&) = delete;

    // Starts a cue from its beginning (a cue still sounding starts again).
    void play(Cue cue);
    // One frame: the engine's pitch and gain glide toward cruise or boost, or to silence once silent is set.
    void update(float dt, bool boosting, bool silent);

    // Whether a device is open (false when the game plays silently).
    bool audible() const { return context != nullptr; }

private:
    static constexpr int soundCount = 5; // the engine and the four cues
    static constexpr int engine = 0;

    void open();
    void load(int index, const char* path);

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    std::array<ALuint, soundCount> buffers{};
    std::array<ALuint, soundCount> sources{};
    std::array<bool, soundCount> loaded{};
    EngineTone tone;
};
