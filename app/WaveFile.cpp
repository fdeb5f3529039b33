#include "app/WaveFile.h"

#include <fstream>
#include <iterator>

namespace {

std::uint32_t le32(const std::string& bytes, size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

std::uint16_t le16(const std::string& bytes, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

} // namespace

std::optional<WaveData> parseWave(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return std::nullopt;
    bool formatSeen = false;
    WaveData wave;
    // Chunks follow one another, each padded to an even length; every size is checked against what is left.
    size_t at = 12;
    while (bytes.size() - at >= 8) {
        const std::string id = bytes.substr(at, 4);
        const std::uint64_t size = le32(bytes, at + 4);
        at += 8;
        if (size > bytes.size() - at)
            return std::nullopt;
        if (id == "fmt ") {
            if (size < 16 || le16(bytes, at) != 1 || le16(bytes, at + 2) != 1 || le16(bytes, at + 14) != 16)
                return std::nullopt;
            const std::uint32_t rate = le32(bytes, at + 4);
            if (rate < 8000 || rate > 192000)
                return std::nullopt;
            wave.rate = static_cast<int>(rate);
            formatSeen = true;
        } else if (id == "data") {
            if (!formatSeen || size < 2)
                return std::nullopt;
            wave.samples.resize(size / 2);
            for (size_t i = 0; i < wave.samples.size(); ++i)
                wave.samples[i] = static_cast<std::int16_t>(le16(bytes, at + 2 * i));
            return wave;
        }
        at += static_cast<size_t>(size + (size & 1));
        if (at > bytes.size())
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<WaveData> readWave(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return parseWave(bytes);
}
