#include "support/Golden.h"

#include <GL/glew.h>
#include <IL/il.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

bool saveImage(const Image& image, const std::string& path) {
    static bool initialised = (ilInit(), true);
    (void)initialised;
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    std::vector<std::uint8_t> data = image.rgb;
    bool saved = ilTexImage(image.width, image.height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, data.data());
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    saved = saved && ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &name);
    return saved;
}

} // namespace

Image readFramebuffer(int x0, int y0, int w, int h) {
    std::vector<std::uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x0, y0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Image image{w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h * 3)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                image.rgb[(static_cast<size_t>(y) * w + x) * 3 + c] =
                    rgba[(static_cast<size_t>(h - 1 - y) * w + x) * 4 + c];
    return image;
}

void expectGolden(const std::string& name, const Image& frame, GoldenTolerance tolerance) {
    const std::string golden = std::string(WINDLAP_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    const char* renew = std::getenv("WINDLAP_RENEW_GOLDEN");
    if (renew && std::string(renew) == "1") {
        EXPECT_TRUE(saveImage(frame, golden)) << "cannot write " << golden;
        return;
    }
    const Image expected = Image::load(golden);
    ASSERT_EQ(expected.width, frame.width)
        << golden << " missing or of another size (WINDLAP_RENEW_GOLDEN=1)";
    ASSERT_EQ(expected.height, frame.height) << golden;
    Image difference = frame;
    int outliers = 0, worst = 0;
    for (size_t p = 0; p < frame.rgb.size(); p += 3) {
        int off = 0;
        for (size_t c = 0; c < 3; ++c)
            off = std::max(off, std::abs(int(frame.rgb[p + c]) - int(expected.rgb[p + c])));
        worst = std::max(worst, off);
        const bool outlier = off > tolerance.perChannel;
        outliers += outlier;
        difference.rgb[p] = outlier ? 255 : frame.rgb[p] / 4;
        difference.rgb[p + 1] = difference.rgb[p + 2] = outlier ? 0 : frame.rgb[p + 1] / 4;
    }
    if (outliers <= tolerance.outlierPixels)
        return;
    const std::string folder = std::string(WINDLAP_RUN_DIR) + "/../test-shots/golden";
    std::filesystem::create_directories(folder);
    saveImage(frame, folder + "/" + name + ".png");
    saveImage(difference, folder + "/" + name + "-diff.png");
    ADD_FAILURE() << name << ": " << outliers << " pixels differ by more than " << tolerance.perChannel
                  << " (worst " << worst << "), " << tolerance.outlierPixels << " allowed; see " << folder;
}
