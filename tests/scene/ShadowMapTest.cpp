#include "scene/ShadowMap.h"
#include "render/Shader.h"
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <memory>

using tavo::scene::ShadowMap;

namespace {

// A lit program reduced to the shadow lookup: white where the sun reaches, black in shadow.
const char* receiverVertex = R"(#version 430 core
in vec3 position;
uniform mat4 viewProjection;
uniform mat4 M_Vl_Pl_L_Matrix;
out vec4 shadowCoord;
void main() {
    shadowCoord = M_Vl_Pl_L_Matrix * vec4(position, 1.0);
    gl_Position = viewProjection * vec4(position, 1.0);
}
)";
const char* receiverFragment = R"(#version 430 core
layout(binding = 2) uniform sampler2DShadow shadowMap;
in vec4 shadowCoord;
out vec4 color;
void main() {
    color = vec4(vec3(texture(shadowMap, shadowCoord.xyz)), 1.0);
}
)";

// A level square at height y, for one program's "position".
class LevelSquare {
public:
    LevelSquare(GLuint program, float y, glm::vec2 centre, float halfSize) {
        const float x0 = centre.x - halfSize, x1 = centre.x + halfSize;
        const float z0 = centre.y - halfSize, z1 = centre.y + halfSize;
        const GLfloat corners[18] = {x0, y, z0, x1, y, z0, x1, y, z1, x0, y, z0, x1, y, z1, x0, y, z1};
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(1, &vbo);
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
        const auto location = static_cast<GLuint>(glGetAttribLocation(program, "position"));
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    ~LevelSquare() {
        glDeleteBuffers(1, &vbo);
        glDeleteVertexArrays(1, &vao);
    }
    void draw() const {
        glBindVertexArray(vao);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        glBindVertexArray(0);
    }

private:
    GLuint vao = 0;
    GLuint vbo = 0;
};

class ShadowMapTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        const std::string folder = makeTempFolder("shadowmap");
        writeTextFile(folder + "/receiver.vert", receiverVertex);
        writeTextFile(folder + "/receiver.frag", receiverFragment);
        depthShader =
            std::make_unique<Shader>(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
        receiver =
            std::make_unique<Shader>(SCREEN_SPACE, folder + "/receiver.vert", folder + "/receiver.frag");
        shadowMap = std::make_unique<ShadowMap>(glm::mat4(1.0f), &sunDirection, depthShader.get());
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    }
    void TearDown() override {
        shadowMap.reset();
        GlTest::TearDown();
    }

    // The game's shadow pass, reduced to the casters given.
    void renderDepth(const glm::vec3& cameraPosition, const LevelSquare& caster) {
        shadowMap->updateLight(cameraPosition);
        shadowMap->draw();
        glViewport(0, 0, shadowMap->size, shadowMap->size);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(depthShader->programId);
        glUniformMatrix4fv(shadowMap->modelLocation, 1, GL_FALSE, glm::value_ptr(glm::mat4(1.0f)));
        caster.draw();
    }

    // Looks straight down on the ground and draws it with the lookup; world x to the right, world -z up.
    void renderGround(const LevelSquare& ground, float halfWidth) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const float halfHeight = halfWidth * height / width;
        const glm::mat4 viewProjection =
            glm::ortho(-halfWidth, halfWidth, -halfHeight, halfHeight, 1.0f, 200.0f) *
            glm::lookAt(glm::vec3(0.0f, 100.0f, 0.0f), glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f));
        const glm::mat4 shadowMatrix =
            shadowMap->biasMatrix * shadowMap->lightProjection * shadowMap->lightView;
        glUseProgram(receiver->programId);
        glUniformMatrix4fv(glGetUniformLocation(receiver->programId, "viewProjection"), 1, GL_FALSE,
                           glm::value_ptr(viewProjection));
        glUniformMatrix4fv(glGetUniformLocation(receiver->programId, "M_Vl_Pl_L_Matrix"), 1, GL_FALSE,
                           glm::value_ptr(shadowMatrix));
        ground.draw();
        groundHalfWidth = halfWidth;
    }

    // Red channel of the window pixel showing ground point (x, 0, z).
    int groundAt(float x, float z) const {
        const float unitsPerPixel = 2.0f * groundHalfWidth / width;
        const int column = static_cast<int>(width / 2 + x / unitsPerPixel);
        const int row = static_cast<int>(height / 2 - z / unitsPerPixel);
        return readPixels(column, row, 1, 1)[0];
    }

    glm::vec3 sunDirection = glm::normalize(glm::vec3(1.0f, -0.5f, 1.0f));
    std::unique_ptr<Shader> depthShader;
    std::unique_ptr<Shader> receiver;
    std::unique_ptr<ShadowMap> shadowMap;
    float groundHalfWidth = 1.0f;
};

TEST_F(ShadowMapTest, CasterDarkensTheGroundDownSun) {
    // The sun travels (2, -1, 2) / 3: a caster 20 units up throws its shadow 40 units further along x and z.
    const LevelSquare caster(depthShader->programId, 20.0f, {-40.0f, -40.0f}, 5.0f);
    const LevelSquare ground(receiver->programId, 0.0f, {0.0f, 0.0f}, 100.0f);
    // About 330 units above the ground the footprint is centred under the camera.
    renderDepth({0.0f, 333.0f, 0.0f}, caster);
    renderGround(ground, 80.0f);

    EXPECT_EQ(groundAt(0.0f, 0.0f), 0) << "shadow centre";
    // The map's texels are three units long along the sun's travel on the ground, so the edges are soft.
    EXPECT_EQ(groundAt(2.5f, 0.0f), 0) << "inside the shadow";
    EXPECT_EQ(groundAt(0.0f, -2.5f), 0) << "inside the shadow";
    EXPECT_EQ(groundAt(-40.0f, -40.0f), 255) << "straight below the caster the sun still reaches";
    EXPECT_EQ(groundAt(15.0f, 0.0f), 255);
    EXPECT_EQ(groundAt(0.0f, -15.0f), 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShadowMapTest, FootprintFollowsTheCamera) {
    const LevelSquare caster(depthShader->programId, 20.0f, {-40.0f, -40.0f}, 5.0f);
    const LevelSquare ground(receiver->programId, 0.0f, {0.0f, 0.0f}, 100.0f);
    // 3000 units away the caster is outside the sun's footprint: no depth is drawn for it.
    renderDepth({3000.0f, 333.0f, 0.0f}, caster);
    renderGround(ground, 80.0f);
    EXPECT_EQ(groundAt(0.0f, 0.0f), 255);
    // The shadow pass's own test agrees, and a sphere reaching over the footprint's side edge counts.
    EXPECT_FALSE(shadowMap->sphereInLight({-40.0f, 20.0f, -40.0f}, 8.0f));
    shadowMap->updateLight({0.0f, 333.0f, 0.0f});
    EXPECT_TRUE(shadowMap->sphereInLight({-40.0f, 20.0f, -40.0f}, 8.0f));
    // Along the side axis, (-1, 0, 1) / sqrt(2), the footprint reaches 1000 units: a sphere of 20 whose
    // centre is 1010 out still reaches in; at 1040 even the box around it (28 units along that axis) stays
    // out.
    const glm::vec3 side = glm::normalize(glm::vec3(-1.0f, 0.0f, 1.0f));
    const glm::vec3 footprintCentre =
        glm::vec3(glm::inverse(shadowMap->lightView) * glm::vec4(0, 0, -1000, 1));
    EXPECT_TRUE(shadowMap->sphereInLight(footprintCentre + 1010.0f * side, 20.0f));
    EXPECT_FALSE(shadowMap->sphereInLight(footprintCentre + 1040.0f * side, 20.0f));
    // A place that is not a number is drawn rather than judged.
    EXPECT_TRUE(shadowMap->sphereInLight(glm::vec3(std::nanf("")), 20.0f));
}

TEST_F(ShadowMapTest, LookupOutsideTheMapReadsLit) {
    // A roof over the whole footprint shadows everything inside the map; beyond the map's side edge the
    // border depth is read, which is lit (an edge texel would be the roof's depth and read dark).
    const LevelSquare roof(depthShader->programId, 50.0f, {0.0f, 0.0f}, 5000.0f);
    const LevelSquare ground(receiver->programId, 0.0f, {0.0f, 0.0f}, 3000.0f);
    renderDepth({0.0f, 0.0f, 0.0f}, roof);
    renderGround(ground, 3000.0f);

    // With the camera at the origin the footprint on the ground is centred on (-667, -667); its side axis is
    // (-1, 0, 1) / sqrt(2), 1000 units either way.
    EXPECT_EQ(groundAt(-667.0f, -667.0f), 0);
    EXPECT_EQ(groundAt(-667.0f - 1300.0f * 0.7071f, -667.0f + 1300.0f * 0.7071f), 255);
    EXPECT_EQ(groundAt(-667.0f + 1300.0f * 0.7071f, -667.0f - 1300.0f * 0.7071f), 255);
}

TEST_F(ShadowMapTest, DepthTextureStaysOnUnitTwoAndGoesWithItsOwner) {
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE2);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), shadowMap->depthTexture);

    shadowMap->draw();
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    const GLuint texture = shadowMap->depthTexture;
    const GLuint framebuffer = shadowMap->framebuffer;
    ASSERT_TRUE(glIsTexture(texture));
    ASSERT_TRUE(glIsFramebuffer(framebuffer));
    shadowMap.reset();
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsFramebuffer(framebuffer));
    glActiveTexture(GL_TEXTURE0);
}

} // namespace
