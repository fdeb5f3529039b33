#include "support/Golden.h"
#include "support/GlContext.h"

#include <IL/il.h>
#include <gtest/gtest.h>

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

bool saveImage(const Image& image, const std::string& path) {
    static bool initialised = (ilInit(), true);
    (void)initialised;
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    // Grey pictures (the HUD's white texts) are stored with one channel: a third of the size.
    bool isGrey = true;
    for (size_t p = 0; p < image.rgb.size() && isGrey; p += 3)
        isGrey = image.rgb[p + 1] == image.rgb[p] && image.rgb[p + 2] == image.rgb[p];
    std::vector<std::uint8_t> data;
    for (size_t p = 0; p < image.rgb.size(); p += isGrey ? 3 : 1)
        data.push_back(image.rgb[p]);
    bool saved = ilTexImage(image.width, image.height, 1, isGrey ? 1 : 3, isGrey ? IL_LUMINANCE : IL_RGB,
                            IL_UNSIGNED_BYTE, data.data());
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    saved = saved && ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &name);
    return saved;
}

Image posterized(Image image) {
    for (std::uint8_t& v : image.rgb)
        v = static_cast<std::uint8_t>((v & 0xF0) | 0x08);
    return image;
}

} // namespace

Image readFramebuffer(int x0, int y0, int w, int h) {
    const std::vector<unsigned char> rgba = readRgba(x0, y0, w, h);
    Image image{w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h * 3)};
    for (size_t p = 0; p < static_cast<size_t>(w) * h; ++p) {
        const size_t row = p / w, source = ((h - 1 - row) * w + p % w) * 4;
        std::copy(&rgba[source], &rgba[source + 3], &image.rgb[p * 3]);
    }
    return image;
}

Image shrink(const Image& image, int factor) {
    Image small{image.width / factor, image.height / factor, {}};
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int k = 0; k < factor * factor; ++k)
                    sum += image.rgb[(static_cast<size_t>(y * factor + k / factor) * image.width +
                                      x * factor + k % factor) *
                                         3 +
                                     c];
                small.rgb.push_back(
                    static_cast<std::uint8_t>((sum + factor * factor / 2) / (factor * factor)));
            }
    return small;
}

Image cropToContent(const Image& image) {
    int x0 = image.width, y0 = image.height, x1 = -1, y1 = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!(image.at(x, y) == Rgb{})) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    Image crop{std::max(0, x1 - x0 + 1), std::max(0, y1 - y0 + 1), {}};
    for (int y = y0; y <= y1; ++y)
        crop.rgb.insert(crop.rgb.end(), image.rgb.begin() + (static_cast<size_t>(y) * image.width + x0) * 3,
                        image.rgb.begin() + (static_cast<size_t>(y) * image.width + x1 + 1) * 3);
    return crop;
}

void expectGolden(const std::string& name, const Image& frame, GoldenTolerance tolerance) {
    const std::string golden = goldenFolder + name + ".png";
    if (renewing()) {
        EXPECT_TRUE(saveImage(tolerance.posterize ? posterized(frame) : frame, golden))
            << "cannot write " << golden;
        return;
    }
    const Image expected = Image::load(golden);
    ASSERT_EQ(expected.width, frame.width)
        << golden << " missing or of another size (WINDLAP_RENEW_GOLDEN=1)";
    ASSERT_EQ(expected.height, frame.height) << golden;
    // A posterized golden stands for the middle of each level: half a level more is still equal.
    const int allowed = tolerance.perChannel + (tolerance.posterize ? 8 : 0);
    Image difference = frame;
    int outliers = 0, worst = 0;
    for (size_t p = 0; p < frame.rgb.size(); p += 3) {
        int off = 0;
        for (size_t c = 0; c < 3; ++c)
            off = std::max(off, std::abs(int(frame.rgb[p + c]) - int(expected.rgb[p + c])));
        worst = std::max(worst, off);
        const bool outlier = off > allowed;
        outliers += outlier;
        difference.rgb[p] = outlier ? 255 : frame.rgb[p] / 4;
        difference.rgb[p + 1] = difference.rgb[p + 2] = outlier ? 0 : frame.rgb[p + 1] / 4;
    }
    if (outliers <= tolerance.outlierPixels)
        return;
    std::filesystem::create_directories(shotFolder);
    saveImage(frame, shotFolder + name + ".png");
    saveImage(difference, shotFolder + name + "-diff.png");
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
