#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// What the game plays, written by OpenAL Soft's wave writer (mono, 32-bit float, recordingRate) to
// folder/sound.wav instead of a sound card, for a game started with environment() set and ALSOFT_DRIVERS
// unset. The file is complete once the game has closed the device.
class SoundRecording {
public:
    static constexpr int recordingRate = 22050;

    explicit SoundRecording(const std::string& folder);
    const std::string& configPath() const { return config; }
    std::pair<std::string, std::string> environment() const { return {"ALSOFT_CONF", config}; }
    std::vector<float> samples() const; // empty when there is no recording

private:
    std::string config;
    std::string file;
};

// The amplitude of the sinusoid of this frequency in samples [begin, begin + count), by Goertzel's filter.
double toneAmplitude(const std::vector<float>& samples, size_t begin, size_t count, double hertz,
                     int rate = SoundRecording::recordingRate);
