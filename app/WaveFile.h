#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A sound as the game plays it: mono 16-bit samples at their rate.
struct WaveData {
    int rate = 0;
    std::vector<std::int16_t> samples;
};

// Reads a RIFF WAV file of mono 16-bit PCM, the only kind the generator writes. Anything else (missing,
// truncated, another format, a chunk that runs past the end) gives nothing; nothing is printed.
std::optional<WaveData> readWave(const std::string& path);

// The same from bytes already read.
std::optional<WaveData> parseWave(const std::string& bytes);
