#include "support/SoundRecording.h"

#include "support/TestModels.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

SoundRecording::SoundRecording(const std::string& folder)
    : config(folder + "/alsoft.conf"), file(folder + "/sound.wav") {
    writeTextFile(config, "[general]\ndrivers=wave\nchannels=mono\nsample-type=float32\nfrequency=" +
                              std::to_string(recordingRate) + "\n[wave]\nfile=" + file + "\n");
}

std::vector<float> SoundRecording::samples() const {
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

double toneAmplitude(const std::vector<float>& samples, size_t begin, size_t count, double hertz, int rate) {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hertz / rate);
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = begin; i < begin + count && i < samples.size(); ++i) {
        const double s = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return 2.0 * std::sqrt(std::max(s1 * s1 + s2 * s2 - coefficient * s1 * s2, 0.0)) / count;
}
