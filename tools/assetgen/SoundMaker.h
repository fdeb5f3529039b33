#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tavo::assetgen {

// A mono sound of 16-bit samples.
struct Sound {
    int rate = 22050;
    std::vector<std::int16_t> samples;
};

// The engine: one second that loops without a seam (every partial and the rumble repeat a whole number of
// times in it). Its strongest partial, the fundamental, is engineFundamental hertz at pitch 1.
constexpr float engineFundamental = 110.0f;
Sound makeEngineLoop();

// The ring's chime: two bell strikes, ringChimeHertz and a fifth above it.
constexpr float ringChimeHertz = 1318.5f;
Sound makeRingChime();

// The hat's chime: a short rising arpeggio from hatChimeHertz, softer and lower than the ring's.
constexpr float hatChimeHertz = 784.0f;
Sound makeHatChime();

// The boost can: a whoosh of noise whose band sweeps up and back.
Sound makeBoostWhoosh();

// The crash: a low thump under a burst of noise that dies away.
Sound makeCrash();

// Writes a canonical 44-byte-header PCM WAV file. Throws std::runtime_error naming the file if it cannot be
// written.
void saveWave(const Sound& sound, const std::filesystem::path& path);

} // namespace tavo::assetgen
