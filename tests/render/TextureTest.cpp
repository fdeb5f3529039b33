#include "render/Texture.h"
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <gmock/gmock.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace {

class TextureTest : public GlTest, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("texture");
    }
    // A 16 x 8 picture: the top half blue, the bottom half red, written by ImageMagick.
    std::string writePicture(const std::string& extension) {
        const std::string path = folder + "/picture." + extension;
        const std::string command =
            "convert -size 16x4 xc:'#0000ff' xc:'#ff0000' -append -type TrueColor '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }
    std::string folder;
};

TEST_P(TextureTest, ArrivesBottomRowFirstWithACompleteMipmapChain) {
    Texture texture(writePicture(GetParam()));
    ASSERT_NE(texture.textureId, 0u);
    glBindTexture(GL_TEXTURE_2D, texture.textureId);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 8);

    std::vector<unsigned char> pixels(16 * 8 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const unsigned char* firstRow = &pixels[0];
    const unsigned char* lastRow = &pixels[7 * 16 * 4];
    EXPECT_GT(firstRow[0], 200);
    EXPECT_LT(firstRow[2], 60);
    EXPECT_LT(lastRow[0], 60);
    EXPECT_GT(lastRow[2], 200);

    // 16 x 8 has levels 0 to 4; the last one is 1 x 1.
    GLint lastWidth = 0;
    GLint lastHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &lastWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_HEIGHT, &lastHeight);
    EXPECT_EQ(lastWidth, 1);
    EXPECT_EQ(lastHeight, 1);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
}

INSTANTIATE_TEST_SUITE_P(Formats, TextureTest, testing::Values("png", "jpg", "tif"));

TEST_F(TextureTest, GreyImageStillShows) {
    const std::string path = folder + "/grey.png";
    ASSERT_EQ(std::system(("convert -size 8x8 xc:'#808080' -type Grayscale '" + path + "'").c_str()), 0);
    Texture texture(path);
    ASSERT_NE(texture.textureId, 0u);
    std::vector<unsigned char> pixels(8 * 8 * 4);
    glBindTexture(GL_TEXTURE_2D, texture.textureId);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_NEAR(pixels[0], 128, 3);
    EXPECT_NEAR(pixels[2], 128, 3);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, MissingOrBrokenFilePrintsOneNumberAndGoesOn) {
    testing::internal::CaptureStdout();
    Texture missing(folder + "/missing.png");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1290\n");
    EXPECT_EQ(missing.textureId, 0u);

    writeTextFile(folder + "/broken.png", "this is not a picture");
    testing::internal::CaptureStdout();
    Texture broken(folder + "/broken.png");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(broken.textureId, 0u);
    EXPECT_THAT(printed, testing::MatchesRegex("[0-9]+\n"));
}

TEST_F(TextureTest, RowsNotAMultipleOfFourBytesUploadStraightWhateverAlignmentWasSet) {
    // 1022 RGB pixels are 3066 bytes a row: any alignment but 1 or 2 would pad the rows and skew them.
    const std::string path = folder + "/wide.png";
    ASSERT_EQ(
        std::system(("convert -size 1022x1 xc:'#ff0000' xc:'#00ff00' xc:'#0000ff' -append -type TrueColor '" +
                     path + "'")
                        .c_str()),
        0);
    for (const GLint before : {1, 4, 8}) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, before);
        Texture texture(path);
        ASSERT_NE(texture.textureId, 0u);
        std::vector<unsigned char> pixels(1022 * 3 * 4);
        glBindTexture(GL_TEXTURE_2D, texture.textureId);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        // Bottom row first: blue, green, red, each the same from the first pixel to the last.
        const std::array<std::array<int, 3>, 3> rows{{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}};
        for (int row = 0; row < 3; ++row)
            for (const int column : {0, 1021}) {
                const unsigned char* p = &pixels[(row * 1022 + column) * 4];
                EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), rows[row])
                    << "row " << row << ", column " << column << ", alignment " << before << " before";
            }
        GLint after = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &after);
        EXPECT_EQ(after, before) << "the alignment in force before is put back";
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

} // namespace
