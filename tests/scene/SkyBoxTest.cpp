#include "scene/SkyBox.h"
#include "support/GlContext.h"
#include "support/SceneTarget.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>

#include <array>
#include <cstdlib>
#include <memory>

using tavo::scene::SkyBox;

namespace {

using Rgba = std::array<int, 4>;

const Rgba red{255, 0, 0, 255};
const Rgba green{0, 255, 0, 255};
const Rgba blue{0, 0, 255, 255};
const Rgba white{255, 255, 255, 255};
const Rgba magenta{255, 0, 255, 255};
const Rgba cyan{0, 255, 255, 255};
const Rgba grey{224, 224, 224, 255};
const Rgba black{0, 0, 0, 255};

class SkyBoxTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("skybox");
        // One colour per face; the front is cyan above light (cloud) grey, to show which way up a face lands.
        right = face("right", "#ff0000");
        left = face("left", "#00ff00");
        top = face("top", "#0000ff");
        bottom = face("bottom", "#ffffff");
        back = face("back", "#ff00ff");
        front = folder + "/front.png";
        ASSERT_EQ(
            std::system(("convert -size 8x4 xc:'#00ffff' xc:'#e0e0e0' -append '" + front + "'").c_str()), 0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    }

    std::string face(const std::string& name, const std::string& colour, const std::string& size = "8x8") {
        const std::string path = folder + "/" + name + ".png";
        EXPECT_EQ(std::system(("convert -size " + size + " xc:'" + colour + "' '" + path + "'").c_str()), 0);
        return path;
    }

    std::unique_ptr<SkyBox> makeSky() {
        return std::make_unique<SkyBox>(projection, right, left, top, bottom, back, front);
    }

    // A view from far off the origin looking along the direction: the sky must not move with the eye.
    static glm::mat4 lookingAlong(const glm::vec3& direction) {
        const glm::vec3 eye(400.0f, -250.0f, 1200.0f);
        return glm::lookAt(eye, eye + direction, glm::vec3(0.0f, 1.0f, 0.0f));
    }

    std::string folder;
    std::string right, left, top, bottom, back, front;
    glm::mat4 projection =
        glm::perspective(glm::radians(90.0f), float(width) / float(height), 0.1f, 10000.0f);
    SceneTarget target{width, height};
};

TEST_F(SkyBoxTest, FacesLandAroundTheEyeTheRightWayUp) {
    auto sky = makeSky();
    target.bindAndClear();
    sky->draw(lookingAlong({0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(target.pixel(0, width - 2, height / 2), red) << "+X on the right";
    EXPECT_EQ(target.pixel(0, 1, height / 2), green) << "-X on the left";
    EXPECT_EQ(target.pixel(0, width / 2, height / 2 + 30), cyan) << "front, upper half";
    EXPECT_EQ(target.pixel(0, width / 2, height / 2 - 30), grey) << "front, lower half";

    // Raised by 30 degrees: the top face shows above the front.
    target.bindAndClear();
    sky->draw(lookingAlong({0.0f, 0.5f, -0.8660254f}));
    EXPECT_EQ(target.pixel(0, width / 2, height - 2), blue) << "+Y above";
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), cyan);

    target.bindAndClear();
    sky->draw(lookingAlong({0.0f, -0.5f, 0.8660254f}));
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), magenta) << "+Z behind";
    EXPECT_EQ(target.pixel(0, width / 2, 1), white) << "-Y below";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SkyBoxTest, StaysBehindEverythingAndOnlyTheSunGlows) {
    auto sky = makeSky();
    target.bindAndClear();
    // Something drawn earlier at depth 0.99 (the far end of a view): the sky must not cover it.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 20, height);
    glClearBufferfv(GL_COLOR, 0, std::array<float, 4>{1.0f, 1.0f, 0.0f, 1.0f}.data());
    glClearDepth(0.99);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDisable(GL_SCISSOR_TEST);

    glDepthFunc(GL_LESS);
    sky->draw(lookingAlong({0.0f, -0.5f, -0.8660254f}));
    EXPECT_EQ(target.pixel(0, 5, height / 2), (Rgba{255, 255, 0, 255})) << "covered by the earlier drawing";
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), grey) << "the sky passes the cleared depth";
    EXPECT_EQ(target.depthAt(width / 2, height / 2), 1.0f) << "no depth written";
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    GLint depthFunction = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(depthFunction, GL_LESS) << "the depth function is put back";

    // The white bottom face stands in for the sun's disk: it glows; cloud grey and colours do not.
    EXPECT_EQ(target.pixel(1, width / 2, 1), white);
    EXPECT_EQ(target.pixel(1, width / 2, height / 2), black) << "cloud grey";
    EXPECT_EQ(target.pixel(1, width - 2, height / 2), black);
}

TEST_F(SkyBoxTest, LeavesItsProgramAndCubeMapBound) {
    auto sky = makeSky();
    glActiveTexture(GL_TEXTURE3);
    sky->draw(lookingAlong({0.0f, 0.0f, -1.0f}));
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<GLuint>(program), sky->shader->programId);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    GLint cube = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &cube);
    EXPECT_EQ(static_cast<GLuint>(cube), sky->cubeTexture);
}

TEST_F(SkyBoxTest, UnusableFacesTurnBlackAndTheRestStillShows) {
    // Of size, shape and existence, each fault alone would leave the cube map incomplete: black everywhere.
    right = face("right-small", "#ff0000", "4x4");
    left = face("left-oblong", "#00ff00", "8x4");
    top = folder + "/missing.png";
    auto sky = makeSky();
    target.bindAndClear();
    sky->draw(lookingAlong({0.0f, 0.5f, -0.8660254f}));
    EXPECT_EQ(target.pixel(0, width - 2, height / 2), black) << "+X was smaller than the others";
    EXPECT_EQ(target.pixel(0, 1, height / 2), black) << "-X was not square";
    EXPECT_EQ(target.pixel(0, width / 2, height - 2), black) << "+Y did not load";
    EXPECT_EQ(target.pixel(0, width / 2, height / 2), cyan) << "the front still shows";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SkyBoxTest, TheMostCommonFaceSizeWins) {
    // The first face alone is larger: the other five decide the size.
    right = face("right-large", "#ff0000", "16x16");
    auto sky = makeSky();
    target.bindAndClear();
    sky->draw(lookingAlong({0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(target.pixel(0, width - 2, height / 2), black);
    EXPECT_EQ(target.pixel(0, 1, height / 2), green);
}

} // namespace
