#include "support/ScreenProbe.h"

#include "support/TestModels.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <regex>

namespace {

Region clip(const Image& image, Region r) {
    return {std::max(0, r.x0), std::max(0, r.y0), std::min(image.width, r.x1), std::min(image.height, r.y1)};
}

} // namespace

int countWhere(const Image& image, Region region, const std::function<bool(Rgb)>& predicate) {
    const Region r = clip(image, region);
    int matches = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            matches += predicate(image.at(x, y)) ? 1 : 0;
    return matches;
}

int whitePixels(const Image& image, Region region) {
    return countWhere(image, region, [](Rgb c) { return c.r == 255 && c.g == 255 && c.b == 255; });
}

MeanColour meanColour(const Image& image, Region region) {
    const Region r = clip(image, region);
    MeanColour mean;
    const double n = std::max(1, (r.x1 - r.x0) * (r.y1 - r.y0));
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            const Rgb c = image.at(x, y);
            mean.r += c.r / n;
            mean.g += c.g / n;
            mean.b += c.b / n;
        }
    return mean;
}

long long readNumber(const Image& image, Region region) {
    const Region r = clip(image, region);
    const int w = r.x1 - r.x0;
    const int h = r.y1 - r.y0;
    if (w <= 0 || h <= 0)
        return -1;
    // Near-white text becomes black on white, with a margin, which tesseract reads reliably.
    const int margin = 10;
    const std::string folder = makeTempFolder("ocr");
    const std::string path = folder + "/line.pgm";
    {
        std::ofstream file(path, std::ios::binary);
        file << "P5\n" << w + 2 * margin << ' ' << h + 2 * margin << "\n255\n";
        for (int y = -margin; y < h + margin; ++y)
            for (int x = -margin; x < w + margin; ++x) {
                bool ink = false;
                if (x >= 0 && y >= 0 && x < w && y < h) {
                    const Rgb c = image.at(r.x0 + x, r.y0 + y);
                    ink = c.r > 200 && c.g > 200 && c.b > 200;
                }
                file.put(static_cast<char>(ink ? 0 : 255));
            }
    }
    const std::string command = "tesseract '" + path + "' stdout --psm 7 2>/dev/null";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 256> buffer{};
        while (fgets(buffer.data(), buffer.size(), pipe))
            text += buffer.data();
        pclose(pipe);
    }
    std::remove(path.c_str());
    std::remove(folder.c_str());
    std::smatch match;
    if (!std::regex_search(text, match, std::regex("[0-9]+")))
        return -1;
    return std::stoll(match.str());
}
