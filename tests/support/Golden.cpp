#include "support/Golden.h"
#include "support/GlContext.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string goldenFolder = std::string(WINDLAP_SOURCE_DIR) + "/tests/golden/";
const std::string shotFolder = std::string(WINDLAP_RUN_DIR) + "/../test-shots/golden/";

bool renewing() {
    const char* renew = std::getenv("WINDLAP_RENEW_GOLDEN");
    return renew && std::string(renew) == "1";
}

} // namespace

Image readFramebuffer(int x0, int y0, int w, int h) {
    const std::vector<unsigned char> rgba = readRgba(x0, y0, w, h);
    Image image{w, h, {}};
    for (int row = h - 1; row >= 0; --row)
        for (size_t p = static_cast<size_t>(row) * w * 4; p < static_cast<size_t>(row + 1) * w * 4; p += 4)
            image.rgb.insert(image.rgb.end(), &rgba[p], &rgba[p + 3]);
    return image;
}

Image shrink(const Image& image, int f) {
    Image small{image.width / f, image.height / f, {}};
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int k = 0; k < f * f; ++k)
                    sum +=
                        image.rgb[(static_cast<size_t>(y * f + k / f) * image.width + x * f + k % f) * 3 + c];
                small.rgb.push_back(static_cast<std::uint8_t>((sum + f * f / 2) / (f * f)));
            }
    return small;
}

Image cropToContent(const Image& image) {
    int x0 = image.width, y0 = image.height, x1 = -1, y1 = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!(image.at(x, y) == Rgb{}))
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    Image crop{std::max(0, x1 - x0 + 1), std::max(0, y1 - y0 + 1), {}};
    for (int y = y0; y <= y1; ++y)
        crop.rgb.insert(crop.rgb.end(), image.rgb.begin() + (static_cast<size_t>(y) * image.width + x0) * 3,
                        image.rgb.begin() + (static_cast<size_t>(y) * image.width + x1 + 1) * 3);
    return crop;
}

void expectGolden(const std::string& name, const Image& frame, GoldenTolerance tolerance) {
    const std::string golden = goldenFolder + name + ".png";
    if (renewing()) {
        Image stored = frame;
        for (std::uint8_t& v : stored.rgb)
            v = tolerance.posterize ? static_cast<std::uint8_t>((v & 0xF0) | 0x08) : v;
        EXPECT_TRUE(stored.save(golden)) << "cannot write " << golden;
        return;
    }
    const Image expected = Image::load(golden);
    ASSERT_TRUE(expected.width == frame.width && expected.height == frame.height)
        << golden << " missing or of another size (WINDLAP_RENEW_GOLDEN=1)";
    // A posterized golden stands for the middle of each level: half a level more is still equal.
    const int allowed = tolerance.perChannel + (tolerance.posterize ? 8 : 0);
    Image difference = frame;
    int outliers = 0, worst = 0;
    for (size_t p = 0; p < frame.rgb.size(); p += 3) {
        int off = 0;
        for (size_t c = 0; c < 3; ++c)
            off = std::max(off, std::abs(int(frame.rgb[p + c]) - int(expected.rgb[p + c])));
        worst = std::max(worst, off);
        outliers += off > allowed;
        difference.rgb[p] = off > allowed ? 255 : frame.rgb[p] / 4;
        difference.rgb[p + 1] = difference.rgb[p + 2] = off > allowed ? 0 : frame.rgb[p + 1] / 4;
    }
    if (outliers <= tolerance.outlierPixels)
        return;
    std::filesystem::create_directories(shotFolder);
    frame.save(shotFolder + name + ".png");
    difference.save(shotFolder + name + "-diff.png");
    ADD_FAILURE() << name << ": " << outliers << " pixels differ by more than " << allowed << " (worst "
                  << worst << "), " << tolerance.outlierPixels << " allowed; see " << shotFolder;
}

void expectGoldenText(const std::string& name, const std::string& text) {
    const std::string golden = goldenFolder + name + ".txt";
    if (renewing()) {
        std::ofstream(golden) << text;
        return;
    }
    std::stringstream expected;
    expected << std::ifstream(golden).rdbuf();
    EXPECT_EQ(expected.str(), text) << "differs from " << golden
                                    << " (WINDLAP_RENEW_GOLDEN=1 after an intended change)";
}
