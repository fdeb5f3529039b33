#include "render/Texture.h"
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <gmock/gmock.h>

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

TEST_F(TextureTest, EachTextureOwnsItsNames) {
    auto first = std::make_unique<Texture>(writePicture("png"));
    auto second = std::make_unique<Texture>(writePicture("png"));
    EXPECT_NE(first->textureId, second->textureId);
    EXPECT_NE(first->imageId, second->imageId);
    const GLuint name = first->textureId;
    first.reset();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(glIsTexture(second->textureId));
}

} // namespace
