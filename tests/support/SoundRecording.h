#pragma once
#include "support/TestModels.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// What a game started with environment() set and ALSOFT_DRIVERS unset plays, as OpenAL Soft's wave writer
// writes it (mono, 32-bit float, recordingRate) to folder/sound.wav, complete once the device is closed.
class SoundRecording {
public:
    static constexpr int recordingRate = 22050;

    explicit SoundRecording(const std::string& folder)
        : config(folder + "/alsoft.conf"), file(folder + "/sound.wav") {
        writeTextFile(config, "[general]\ndrivers=wave\nchannels=mono\nsample-type=float32\nfrequency=" +
                                  std::to_string(recordingRate) + "\n[wave]\nfile=" + file + "\n");
    }
    const std::string& configPath() const { return config; }
    std::pair<std::string, std::string> environment() const { return {"ALSOFT_CONF", config}; }
    // Empty when there is no recording.
    std::vector<float> samples() const {
        std::ifstream stream(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        // The writer's header is a format chunk and the data chunk's header; the samples run to the end.
        const size_t data = bytes.find("data", 12);
        if (bytes.compare(0, 4, "RIFF") != 0 || data == std::string::npos || data + 8 > bytes.size())
            return {};
        std::vector<float> samples((bytes.size() - data - 8) / 4);
        std::memcpy(samples.data(), bytes.data() + data + 8, samples.size() * 4);
        return samples;
    }

private:
    std::string config, file;
};

// The amplitude of the sinusoid of this frequency in samples [begin, begin + count), by Goertzel's filter.
inline double toneAmplitude(const std::vector<float>& samples, size_t begin, size_t count, double hertz,
                            int rate = SoundRecording::recordingRate) {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hertz / rate);
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = begin; i < begin + count && i < samples.size(); ++i)
        s2 = std::exchange(s1, samples[i] + coefficient * s1 - s2);
    return 2.0 * std::sqrt(std::max(s1 * s1 + s2 * s2 - coefficient * s1 * s2, 0.0)) / count;
}
