#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// What the game plays, written to a file by OpenAL Soft's wave writer instead of a sound card: an alsoft.conf
// in folder selects that writer (mono, 32-bit float, recordingRate) and the file folder/sound.wav. A game
// started with environment() records there; OpenAL Soft finishes the file's header when the game closes the
// device.
class SoundRecording {
public:
    static constexpr int recordingRate = 22050;

    explicit SoundRecording(const std::string& folder);

    const std::string& configPath() const { return config; }
    const std::string& filePath() const { return file; }
    // ALSOFT_CONF for the game; ALSOFT_DRIVERS, which would override the file's driver, is to be unset.
    std::pair<std::string, std::string> environment() const { return {"ALSOFT_CONF", config}; }

    // The recorded samples; empty when the file is missing or not a float WAV.
    std::vector<float> samples() const;

private:
    std::string config;
    std::string file;
};

// The amplitude of the sinusoid of this frequency in samples [begin, begin + count), by Goertzel's filter.
double toneAmplitude(const std::vector<float>& samples, size_t begin, size_t count, double hertz,
                     int rate = SoundRecording::recordingRate);

// The frequency in [low, high] (in 1 Hz steps) with the largest amplitude in that stretch.
double strongestFrequency(const std::vector<float>& samples, size_t begin, size_t count, double low,
                          double high, int rate = SoundRecording::recordingRate);

// Root mean square of the stretch, and of its first difference over it: near 0 for low tones, above 1 for
// white noise.
double rms(const std::vector<float>& samples, size_t begin, size_t count);
double roughness(const std::vector<float>& samples, size_t begin, size_t count);
