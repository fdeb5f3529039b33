#include "support/SoundRecording.h"

#include "support/TestModels.h"

#include <cmath>
#include <cstdint>
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
    const auto le = [&](size_t at, int width) {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return {};
    bool isFloat = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        size_t size = le(at + 4, 4);
        at += 8;
        if (id == "fmt " && at + 16 <= bytes.size())
            // Format 3 is float; 0xFFFE (extensible) carries it in its sub-format, written as float here.
            isFloat = le(at + 2, 2) == 1 && le(at + 14, 2) == 32 && (le(at, 2) == 3 || le(at, 2) == 0xFFFE);
        if (id == "data") {
            // A writer that did not finish leaves the size unset: take what is there.
            size = std::min(size, bytes.size() - at);
            if (size == 0)
                size = bytes.size() - at;
            if (!isFloat)
                return {};
            std::vector<float> samples(size / 4);
            std::memcpy(samples.data(), bytes.data() + at, samples.size() * 4);
            return samples;
        }
        at += size + (size & 1);
    }
    return {};
}

double toneAmplitude(const std::vector<float>& samples, size_t begin, size_t count, double hertz, int rate) {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hertz / rate);
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = begin; i < begin + count && i < samples.size(); ++i) {
        const double s = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(count);
}

double strongestFrequency(const std::vector<float>& samples, size_t begin, size_t count, double low,
                          double high, int rate) {
    double best = low, bestAmplitude = -1.0;
    for (double hertz = low; hertz <= high; hertz += 1.0) {
        const double amplitude = toneAmplitude(samples, begin, count, hertz, rate);
        if (amplitude > bestAmplitude) {
            bestAmplitude = amplitude;
            best = hertz;
        }
    }
    return best;
}

double rms(const std::vector<float>& samples, size_t begin, size_t count) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = begin; i < begin + count && i < samples.size(); ++i, ++n)
        sum += static_cast<double>(samples[i]) * samples[i];
    return n ? std::sqrt(sum / n) : 0.0;
}

double roughness(const std::vector<float>& samples, size_t begin, size_t count) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = begin + 1; i < begin + count && i < samples.size(); ++i, ++n) {
        const double step = static_cast<double>(samples[i]) - samples[i - 1];
        sum += step * step;
    }
    const double level = rms(samples, begin, count);
    return n && level > 0.0 ? std::sqrt(sum / n) / level : 0.0;
}
