// The six sky faces uploaded exactly as the sky box uploads them (DevIL with an upper-left origin, one
// cube-map target per file in the order right, left, top, bottom, back, front), then looked up by direction
// on the GPU the way the sky shader looks them up. The picture must be the painted sky in every direction: a
// face on the wrong target, or turned or mirrored, shows up as sky below the horizon or a misplaced sun.
#include "tools/assetgen/SkyPainter.h"

#include "support/GlContext.h"
#include "tools/ModelChecks.h"

#include <IL/il.h>
#include <glm/gtc/constants.hpp>

namespace {

const char* const vertexSource = R"(#version 430 core
void main() {
    // One triangle that covers the viewport.
    vec2 corner = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
})";

// Mode 0: pixel (x, y) of a width x height target looks along the latitude-longitude direction below;
// mode 1: every pixel looks along `direction`.
const char* const fragmentSource = R"(#version 430 core
layout(binding = 0) uniform samplerCube sky;
uniform int mode;
uniform vec3 direction;
uniform vec2 size;
out vec4 colour;
void main() {
    vec3 d = direction;
    if (mode == 0) {
        float longitude = gl_FragCoord.x / size.x * 6.2831853 - 3.1415927;
        float latitude = gl_FragCoord.y / size.y * 3.1415927 - 1.5707963;
        d = vec3(cos(latitude) * sin(longitude), sin(latitude), -cos(latitude) * cos(longitude));
    }
    colour = texture(sky, d);
})";

glm::vec3 latitudeLongitude(int x, int y, int width, int height) {
    const float longitude = (x + 0.5f) / width * glm::two_pi<float>() - glm::pi<float>();
    const float latitude = (y + 0.5f) / height * glm::pi<float>() - glm::half_pi<float>();
    return {std::cos(latitude) * std::sin(longitude), std::sin(latitude),
            -std::cos(latitude) * std::cos(longitude)};
}

class SkyBoxFacesTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glGenTextures(1, &cube);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
        ilInit();
        const char* faces[] = {"right", "left", "top", "bottom", "back", "front"};
        for (int i = 0; i < 6; ++i) {
            ILuint image = 0;
            ilGenImages(1, &image);
            ilBindImage(image);
            ilEnable(IL_ORIGIN_SET);
            ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
            ASSERT_TRUE(ilLoadImage(runFile(std::string("Textures/skybox/") + faces[i] + ".jpg").c_str()))
                << faces[i];
            const GLint format = ilGetInteger(IL_IMAGE_FORMAT);
            glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, format, ilGetInteger(IL_IMAGE_WIDTH),
                         ilGetInteger(IL_IMAGE_HEIGHT), 0, format, ilGetInteger(IL_IMAGE_TYPE), ilGetData());
            ilDeleteImages(1, &image);
        }
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
            glTexParameteri(GL_TEXTURE_CUBE_MAP, wrap, GL_CLAMP_TO_EDGE);
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a face was refused";

        program = glCreateProgram();
        for (auto [type, source] :
             {std::pair{GL_VERTEX_SHADER, vertexSource}, {GL_FRAGMENT_SHADER, fragmentSource}}) {
            const GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &source, nullptr);
            glCompileShader(shader);
            glAttachShader(program, shader);
            glDeleteShader(shader);
        }
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        ASSERT_TRUE(linked);
        glGenVertexArrays(1, &vao);

        glGenTextures(1, &target);
        glBindTexture(GL_TEXTURE_2D, target);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    }

    void TearDown() override {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &target);
        glDeleteVertexArrays(1, &vao);
        glDeleteProgram(program);
        glDeleteTextures(1, &cube);
        GlTest::TearDown();
    }

    // The sky in every direction of a latitude-longitude grid (row 0 looks straight down).
    std::vector<unsigned char> panorama() {
        draw(0, glm::vec3(0.0f));
        return readPixels(0, 0, width, height);
    }

    glm::ivec3 lookAlong(const glm::vec3& direction) {
        draw(1, direction);
        const std::vector<unsigned char> pixel = readPixels(0, 0, 1, 1);
        return {pixel[0], pixel[1], pixel[2]};
    }

    static constexpr int width = 256;
    static constexpr int height = 128;

private:
    void draw(int mode, const glm::vec3& direction) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glViewport(0, 0, width, height);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "mode"), mode);
        glUniform3f(glGetUniformLocation(program, "direction"), direction.x, direction.y, direction.z);
        glUniform2f(glGetUniformLocation(program, "size"), width, height);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
        glBindVertexArray(vao);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(0);
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    GLuint cube = 0, program = 0, vao = 0, target = 0, framebuffer = 0;
};

TEST_F(SkyBoxFacesTest, EveryDirectionShowsThePaintedSky) {
    const std::vector<unsigned char> seen = panorama();
    double total = 0.0;
    int worst = 0;
    glm::ivec2 worstAt(0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const glm::vec3 expected =
                tavo::assetgen::skyColour(latitudeLongitude(x, y, width, height)) * 255.0f;
            for (int c = 0; c < 3; ++c) {
                const int difference =
                    std::abs(seen[(y * width + x) * 4 + c] - static_cast<int>(expected[c] + 0.5f));
                total += difference;
                if (difference > worst) {
                    worst = difference;
                    worstAt = {x, y};
                }
            }
        }
    // JPEG and linear filtering account for a few levels; a misplaced face for tens.
    EXPECT_LT(total / (width * height * 3), 3.0);
    EXPECT_LT(worst, 48) << "at panorama pixel " << worstAt.x << ", " << worstAt.y;
}

TEST_F(SkyBoxFacesTest, SunDiskSitsWhereTheFlareAimsAndSkyIsAboveTheGround) {
    const glm::ivec3 sun = lookAlong(glm::vec3(-0.5f, 0.5f, -1.0f));
    EXPECT_GE(std::min({sun.r, sun.g, sun.b}), 240) << "no sun where the lens flare appears";
    const glm::ivec3 zenith = lookAlong(glm::vec3(0.0f, 1.0f, 0.0f));
    EXPECT_GT(zenith.b, zenith.r + 60) << "the sky straight up is not blue";
    const glm::ivec3 ground = lookAlong(glm::vec3(0.2f, -1.0f, 0.3f));
    EXPECT_GT(ground.g, ground.b) << "below the horizon there must be ground";
    // Seen from the start at the end of the valley the terrain edge is 3 degrees down: hazy ground there.
    const glm::ivec3 edge = lookAlong(glm::vec3(0.0f, -0.05f, 1.0f));
    EXPECT_GT(edge.r, 120);
    EXPECT_LT(std::abs(edge.b - edge.g), 40);
}

TEST_F(SkyBoxFacesTest, OnlyTheSunIsWhiteEnoughToBloom) {
    // The sky program feeds texels whose every channel exceeds 0.9 into the glow: clouds and haze stay below.
    const std::vector<unsigned char> seen = panorama();
    int bright = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &seen[(y * width + x) * 4];
            if (std::min({p[0], p[1], p[2]}) <= 235)
                continue;
            ++bright;
            const glm::vec3 direction = latitudeLongitude(x, y, width, height);
            EXPECT_LT(std::acos(glm::dot(direction, tavo::assetgen::skySunDirection)), 0.25f)
                << "a blooming texel far from the sun at panorama pixel " << x << ", " << y;
        }
    EXPECT_GT(bright, 0);
}

} // namespace
