#include "tools/assetgen/SoundMaker.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace tavo::assetgen {

namespace {

constexpr int rate = 22050;
constexpr double twoPi = 6.283185307179586;

// A small deterministic generator: the same numbers on every machine (std distributions differ between
// library versions).
class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed * 2654435761u + 1u) {}
    // Uniform in [-1, 1).
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state;
};

// Scales to the given peak and converts; the peak stays well below full scale so that several sounds at once
// do not clip in the mixer.
Sound toSound(const std::vector<double>& signal, double peak) {
    double largest = 1e-9;
    for (double x : signal)
        largest = std::max(largest, std::abs(x));
    Sound sound;
    sound.rate = rate;
    sound.samples.reserve(signal.size());
    for (double x : signal)
        sound.samples.push_back(static_cast<std::int16_t>(std::lround(x / largest * peak * 32767.0)));
    return sound;
}

// Short linear ramps at both ends, so a one-shot starts and ends at silence without a click.
void softenEnds(std::vector<double>& signal, double attackSeconds, double releaseSeconds) {
    const size_t attack = static_cast<size_t>(attackSeconds * rate);
    const size_t release = static_cast<size_t>(releaseSeconds * rate);
    for (size_t i = 0; i < attack && i < signal.size(); ++i)
        signal[i] *= static_cast<double>(i) / attack;
    for (size_t i = 0; i < release && i < signal.size(); ++i)
        signal[signal.size() - 1 - i] *= static_cast<double>(i) / release;
}

// A bell strike: inharmonic partials that decay, the higher ones faster.
void addBell(std::vector<double>& signal, double start, double hertz, double level) {
    const double partials[][2] = {{1.0, 1.0}, {2.76, 0.35}, {5.40, 0.15}, {0.5, 0.2}};
    const size_t first = static_cast<size_t>(start * rate);
    for (size_t i = first; i < signal.size(); ++i) {
        const double t = static_cast<double>(i - first) / rate;
        for (const auto& [ratio, amplitude] : partials)
            signal[i] += level * amplitude * std::exp(-t * 3.0 * std::sqrt(ratio)) *
                         std::sin(twoPi * hertz * ratio * t);
    }
}

// Noise through a two-pole band-pass whose centre follows centre(t).
template <typename Centre, typename Envelope>
std::vector<double> bandNoise(double seconds, std::uint32_t seed, Centre centre, Envelope envelope) {
    std::vector<double> signal(static_cast<size_t>(seconds * rate));
    Random random(seed);
    double y1 = 0.0, y2 = 0.0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double w = twoPi * centre(t) / rate;
        const double r = 0.97;
        const double y = random.next() * (1.0 - r) + 2.0 * r * std::cos(w) * y1 - r * r * y2;
        y2 = y1;
        y1 = y;
        signal[i] = y * envelope(t);
    }
    return signal;
}

} // namespace

Sound makeEngineLoop() {
    // Harmonics of the fundamental, a little rough noise made of whole-hertz partials with fixed random
    // phases, and a rumble at a whole number of beats per second: everything repeats after exactly one
    // second, so the loop's end runs into its start.
    std::vector<double> signal(rate, 0.0);
    Random random(7);
    const int fundamental = static_cast<int>(engineFundamental);
    for (int harmonic = 1; harmonic <= 8; ++harmonic) {
        const double amplitude = 1.0 / std::pow(harmonic, 1.3);
        const double phase = twoPi * (random.next() + 1.0) / 2.0;
        for (int i = 0; i < rate; ++i)
            signal[i] += amplitude * std::sin(twoPi * fundamental * harmonic * i / rate + phase);
    }
    for (int hertz = 300; hertz < 2500; hertz += 7) {
        const double amplitude = 0.02 * std::exp(-hertz / 900.0);
        const double phase = twoPi * (random.next() + 1.0) / 2.0;
        for (int i = 0; i < rate; ++i)
            signal[i] += amplitude * std::sin(twoPi * hertz * i / rate + phase);
    }
    for (int i = 0; i < rate; ++i)
        signal[i] *= 1.0 + 0.15 * std::sin(twoPi * 22.0 * i / rate);
    return toSound(signal, 0.5);
}

Sound makeRingChime() {
    std::vector<double> signal(static_cast<size_t>(1.4 * rate), 0.0);
    addBell(signal, 0.0, ringChimeHertz, 1.0);
    addBell(signal, 0.12, ringChimeHertz * 1.5, 0.8);
    softenEnds(signal, 0.003, 0.05);
    return toSound(signal, 0.6);
}

Sound makeHatChime() {
    std::vector<double> signal(static_cast<size_t>(0.9 * rate), 0.0);
    const double steps[] = {1.0, 1.25, 1.5};
    for (int note = 0; note < 3; ++note)
        addBell(signal, 0.08 * note, hatChimeHertz * steps[note], 0.7);
    softenEnds(signal, 0.003, 0.05);
    return toSound(signal, 0.45);
}

Sound makeBoostWhoosh() {
    const double seconds = 0.8;
    std::vector<double> signal = bandNoise(
        seconds, 11, [&](double t) { return 400.0 + 2400.0 * std::sin(3.14159 * t / seconds); },
        [&](double t) { return std::pow(std::sin(3.14159 * t / seconds), 2.0); });
    return toSound(signal, 0.5);
}

Sound makeCrash() {
    // Crunching noise whose band falls as it dies away, a crackle of breaking parts above it and a thump that
    // falls from 90 to 40 Hz below.
    const double seconds = 1.6;
    std::vector<double> signal = bandNoise(
        seconds, 23, [](double t) { return 600.0 + 2400.0 * std::exp(-t * 3.0); },
        [](double t) { return std::exp(-t * 2.5); });
    const std::vector<double> crackle = bandNoise(
        seconds, 29, [](double) { return 4500.0; }, [](double t) { return 1.2 * std::exp(-t * 2.5); });
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double thump =
            std::exp(-t * 5.0) * std::sin(twoPi * (40.0 * t + 50.0 * (1.0 - std::exp(-t * 8.0)) / 8.0));
        signal[i] += crackle[i] + 0.04 * thump;
    }
    softenEnds(signal, 0.002, 0.2);
    return toSound(signal, 0.7);
}

void saveWave(const Sound& sound, const std::filesystem::path& path) {
    // Written beside the target and moved over it, so no half-written file is ever left under its name.
    std::filesystem::path partial = path;
    partial += ".partial";
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    const auto put32 = [&](std::uint32_t v) {
        const char bytes[] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        file.write(bytes, 4);
    };
    const auto put16 = [&](std::uint16_t v) {
        const char bytes[] = {char(v), char(v >> 8)};
        file.write(bytes, 2);
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(sound.samples.size() * 2);
    file.write("RIFF", 4);
    put32(36 + dataBytes);
    file.write("WAVEfmt ", 8);
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(static_cast<std::uint32_t>(sound.rate));
    put32(static_cast<std::uint32_t>(sound.rate * 2));
    put16(2);
    put16(16);
    file.write("data", 4);
    put32(dataBytes);
    for (std::int16_t sample : sound.samples)
        put16(static_cast<std::uint16_t>(sample));
    file.close();
    std::error_code error;
    if (!file)
        error = std::make_error_code(std::errc::io_error);
    else
        std::filesystem::rename(partial, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw std::runtime_error("cannot write " + path.string() + ": " + error.message());
    }
}

} // namespace tavo::assetgen
