// Every image loaded the way the game loads it (DevIL, lower-left origin; the sky box with upper-left
// origin): formats a core-profile upload accepts, and the content each effect expects.
#include "tools/ModelChecks.h"

#include <IL/il.h>
#include <gtest/gtest.h>

namespace {

struct Loaded {
    bool ok = false;
    int width = 0, height = 0, format = 0, type = 0;
    std::vector<unsigned char> rgba;

    glm::ivec4 at(int x, int row) const {
        const unsigned char* p = &rgba[(static_cast<size_t>(row) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

Loaded load(const std::string& relative, ILenum origin = IL_ORIGIN_LOWER_LEFT) {
    ilInit();
    Loaded image;
    ILuint id = 0;
    ilGenImages(1, &id);
    ilBindImage(id);
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(origin);
    image.ok = ilLoadImage(runFile(relative).c_str()) == IL_TRUE;
    if (image.ok) {
        image.width = ilGetInteger(IL_IMAGE_WIDTH);
        image.height = ilGetInteger(IL_IMAGE_HEIGHT);
        image.format = ilGetInteger(IL_IMAGE_FORMAT);
        image.type = ilGetInteger(IL_IMAGE_TYPE);
        image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
        ilCopyPixels(0, 0, 0, image.width, image.height, 1, IL_RGBA, IL_UNSIGNED_BYTE, image.rgba.data());
    }
    ilDeleteImages(1, &id);
    return image;
}

const char* const textureFiles[] = {
    "Textures/fa-18-uv.png",        "Textures/fa-18-glow.png",      "Textures/lensflare/bloom.jpg",
    "Textures/lensflare/spike.jpg", "Textures/lensflare/halo1.jpg", "Textures/lensflare/halo2.jpg",
    "Textures/lensflare/ring.jpg",  "Textures/Blacka.png",          "Textures/Prize.tif",
    "Textures/skybox/right.jpg",    "Textures/skybox/left.jpg",     "Textures/skybox/top.jpg",
    "Textures/skybox/bottom.jpg",   "Textures/skybox/back.jpg",     "Textures/skybox/front.jpg"};

TEST(ImageFiles, AllLoadAsEightBitRgbOrRgbaThatACoreContextAccepts) {
    for (const char* file : textureFiles) {
        const Loaded image = load(file);
        ASSERT_TRUE(image.ok) << file;
        // Grey images would arrive as GL_LUMINANCE, which a core context refuses.
        EXPECT_TRUE(image.format == IL_RGB || image.format == IL_RGBA) << file << " format " << image.format;
        EXPECT_EQ(image.type, IL_UNSIGNED_BYTE) << file;
    }
}

TEST(ImageFiles, AircraftTexturesSurviveTheDefaultUnpackAlignment) {
    // They are uploaded before the text renderer sets an alignment of 1: RGBA rows are always 4-byte aligned.
    for (const char* file : {"Textures/fa-18-uv.png", "Textures/fa-18-glow.png"}) {
        const Loaded image = load(file);
        ASSERT_TRUE(image.ok) << file;
        EXPECT_EQ(image.format, IL_RGBA) << file;
    }
}

TEST(ImageFiles, SkyFacesAreEqualSquares) {
    const Loaded first = load("Textures/skybox/right.jpg", IL_ORIGIN_UPPER_LEFT);
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.width, first.height);
    for (const char* face : {"left", "top", "bottom", "back", "front"}) {
        const Loaded image = load(std::string("Textures/skybox/") + face + ".jpg", IL_ORIGIN_UPPER_LEFT);
        ASSERT_TRUE(image.ok) << face;
        EXPECT_EQ(image.width, first.width) << face;
        EXPECT_EQ(image.height, first.height) << face;
        EXPECT_EQ(image.format, first.format) << face;
    }
}

TEST(ImageFiles, FlareSpritesShineInTheMiddleAndFadeToBlackInsideTheBorder) {
    for (const char* sprite : {"bloom", "spike", "halo1", "halo2", "ring"}) {
        const Loaded image = load(std::string("Textures/lensflare/") + sprite + ".jpg");
        ASSERT_TRUE(image.ok) << sprite;
        const int border = image.width / 16;
        int brightest = 0, borderBrightest = 0;
        for (int row = 0; row < image.height; ++row)
            for (int x = 0; x < image.width; ++x) {
                const glm::ivec4 p = image.at(x, row);
                const int value = std::max({p.r, p.g, p.b});
                brightest = std::max(brightest, value);
                if (x < border || x >= image.width - border || row < border || row >= image.height - border)
                    borderBrightest = std::max(borderBrightest, value);
            }
        EXPECT_GT(brightest, 150) << sprite;
        // JPEG ringing stays below a few levels; a visible edge would show the quad's outline on screen.
        EXPECT_LE(borderBrightest, 6) << sprite;
    }
}

TEST(ImageFiles, FadePictureIsOpaqueBlack) {
    const Loaded image = load("Textures/Blacka.png");
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.format, IL_RGBA);
    for (int row = 0; row < image.height; ++row)
        for (int x = 0; x < image.width; ++x)
            ASSERT_EQ(image.at(x, row), glm::ivec4(0, 0, 0, 255)) << x << ", " << row;
}

TEST(ImageFiles, PrizeIsAnUprightMotifOnAClearSquare) {
    const Loaded image = load("Textures/Prize.tif");
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.format, IL_RGBA);
    ASSERT_EQ(image.width, image.height) << "shown in a square as tall as the screen";
    int clear = 0, opaque = 0;
    for (int row = 0; row < image.height; ++row)
        for (int x = 0; x < image.width; ++x) {
            const glm::ivec4 p = image.at(x, row);
            if (p.a == 0) {
                ++clear;
                ASSERT_EQ(glm::ivec3(p), glm::ivec3(0))
                    << "a clear pixel with colour at " << x << ", " << row;
            }
            opaque += p.a == 255;
        }
    const int n = image.width;
    for (const glm::ivec2 corner :
         {glm::ivec2(0, 0), glm::ivec2(n - 1, 0), glm::ivec2(0, n - 1), glm::ivec2(n - 1, n - 1)})
        EXPECT_EQ(image.at(corner.x, corner.y).a, 0);
    EXPECT_GT(clear, n * n / 3);
    EXPECT_GT(opaque, n * n / 10);

    // Row 0 is the bottom of the screen: the golden cup is wider near the top than at its foot.
    auto widthOfRow = [&](int row) {
        int count = 0;
        for (int x = 0; x < n; ++x)
            count += image.at(x, row).a > 0;
        return count;
    };
    EXPECT_GT(widthOfRow(n * 3 / 4), 3 * widthOfRow(n * 3 / 8)) << "the prize is upside down";
}

} // namespace
