#include "app/GameSound.h"

#include "app/WaveFile.h"

#include "util/Platform.h"

#include <chrono>
#include <thread>

namespace {

// Each cue's gain keeps the loudest moments, several sounds at once included, below full scale.
constexpr float cueGains[] = {0.0f, 0.6f, 0.6f, 0.5f, 0.9f};
const char* const soundFiles[] = {"./Sounds/engine.wav", "./Sounds/ring.wav", "./Sounds/hat.wav",
                                  "./Sounds/boost.wav", "./Sounds/crash.wav"};

} // namespace

GameSound::GameSound() {
    open();
    if (!context)
        return;
    for (int i = 0; i < soundCount; ++i)
        load(i, soundFiles[i]);
    if (loaded[engine]) {
        alSourcei(sources[engine], AL_LOOPING, AL_TRUE);
        alSourcef(sources[engine], AL_GAIN, 0.0f);
        alSourcePlay(sources[engine]);
    }
    alGetError();
}

void GameSound::open() {
    // OpenAL Soft writes its own errors to standard error, and the game prints nothing during play. A level
    // the user set, for debugging, still wins.
    tavo::util::setEnvironmentDefault("ALSOFT_LOGLEVEL", "0");
    // With no sound card ALSA's library writes its "cannot find card" lines to standard error, outside
    // OpenAL's log.
    const tavo::util::QuietStandardError quiet;
    device = alcOpenDevice(nullptr);
    if (!device)
        return;
    context = alcCreateContext(device, nullptr);
    if (!context || alcMakeContextCurrent(context) != ALC_TRUE) {
        if (context)
            alcDestroyContext(context);
        context = nullptr;
        alcCloseDevice(device);
        device = nullptr;
    }
}

void GameSound::load(int index, const char* path) {
    const std::optional<WaveData> wave = readWave(path);
    if (!wave)
        return;
    alGetError();
    alGenBuffers(1, &buffers[index]);
    if (alGetError() != AL_NO_ERROR) {
        buffers[index] = 0;
        return;
    }
    alBufferData(buffers[index], AL_FORMAT_MONO16, wave->samples.data(),
                 static_cast<ALsizei>(wave->samples.size() * sizeof(std::int16_t)), wave->rate);
    alGenSources(1, &sources[index]);
    if (alGetError() != AL_NO_ERROR) {
        sources[index] = 0;
        return;
    }
    // At the listener, unattenuated: the sounds belong to the player's own jet.
    alSourcei(sources[index], AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(sources[index], AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(sources[index], AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(sources[index], AL_BUFFER, static_cast<ALint>(buffers[index]));
    alSourcef(sources[index], AL_GAIN, cueGains[index]);
    loaded[index] = alGetError() == AL_NO_ERROR;
}

GameSound::~GameSound() {
    if (!context)
        return;
    // A sound cut off mid-wave clicks; the mixer ramps a gain change over its next update.
    for (int i = 0; i < soundCount; ++i)
        if (sources[i])
            alSourcef(sources[i], AL_GAIN, 0.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    for (int i = 0; i < soundCount; ++i) {
        if (sources[i]) {
            alSourceStop(sources[i]);
            alSourcei(sources[i], AL_BUFFER, 0);
            alDeleteSources(1, &sources[i]);
        }
        if (buffers[i])
            alDeleteBuffers(1, &buffers[i]);
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}

void GameSound::play(Cue cue) {
    const int index = 1 + static_cast<int>(cue);
    if (!loaded[index])
        return;
    alSourceRewind(sources[index]);
    alSourcePlay(sources[index]);
}

void GameSound::update(float dt, bool boosting, bool silent) {
    tone.advance(dt, boosting, silent);
    if (!loaded[engine])
        return;
    alSourcef(sources[engine], AL_PITCH, tone.pitch());
    alSourcef(sources[engine], AL_GAIN, tone.gain());
}
