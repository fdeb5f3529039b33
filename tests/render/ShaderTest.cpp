#include "render/Shader.h"
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <filesystem>
#include <memory>

namespace {

const char* vertexSource = R"(#version 430 core
in vec3 position;
in vec3 normal;
uniform mat4 model;
uniform vec3 specularColor;
out vec3 colour;
void main() { colour = normal + specularColor; gl_Position = model * vec4(position, 1.0); }
)";

const char* fragmentSource = R"(#version 430 core
in vec3 colour;
uniform float shininess;
uniform vec3 diffuseColor;
uniform float glow;
out vec4 picture;
void main() { picture = vec4(colour * diffuseColor * glow, shininess); }
)";

class ShaderTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // Death tests run the test again in a child process: the folder must have the same name there.
        folder = std::string("/tmp/windlap-shadertest-") +
                 testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(folder);
        writeTextFile(folder + "/good.vert", vertexSource);
        writeTextFile(folder + "/good.frag", fragmentSource);
    }
    std::string folder;
};

TEST_F(ShaderTest, ColorProgramCachesItsMaterialLocations) {
    Shader shader(COLOR, folder + "/good.vert", folder + "/good.frag");
    GLint linked = 0;
    glGetProgramiv(shader.programId, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked);
    for (GLint location : {shader.shininessLoc, shader.specularColorLoc, shader.diffuseColorLoc,
                           shader.modelLoc, shader.glowLoc})
        EXPECT_GE(location, 0);
    EXPECT_EQ(shader.diffuseColorLoc, glGetUniformLocation(shader.programId, "diffuseColor"));
}

TEST_F(ShaderTest, OnlyColorAndBasicProgramsLookUpLocations) {
    Shader basic(BASIC, folder + "/good.vert", folder + "/good.frag");
    EXPECT_GE(basic.shininessLoc, 0);
    EXPECT_GE(basic.modelLoc, 0);
    EXPECT_EQ(basic.diffuseColorLoc, -1);
    EXPECT_EQ(basic.glowLoc, -1);
    Shader screen(SCREEN_SPACE, folder + "/good.vert", folder + "/good.frag");
    EXPECT_EQ(screen.modelLoc, -1);
    EXPECT_EQ(screen.shininessLoc, -1);
}

using ShaderDeathTest = ShaderTest;

TEST_F(ShaderDeathTest, MissingVertexFileNamesThePathBeforeAnythingElse) {
    const std::string missing = folder + "/missing.vert";
    EXPECT_EXIT(Shader(COLOR, missing, folder + "/also-missing.frag"), testing::ExitedWithCode(1),
                "^Failed to open Shader file with path: " + missing + "\n$");
}

TEST_F(ShaderDeathTest, CompileErrorPrintsTheLogAndExits) {
    writeTextFile(folder + "/broken.frag", "#version 430 core\nvoid main() { this is not glsl; }\n");
    EXPECT_EXIT(Shader(COLOR, folder + "/good.vert", folder + "/broken.frag"), testing::ExitedWithCode(1),
                "^Failed to compile Shader\n.*error.*\n");
}

TEST_F(ShaderDeathTest, VertexCompileErrorStopsBeforeTheFragmentFileIsOpened) {
    writeTextFile(folder + "/broken.vert", "#version 430 core\nvoid main() { nonsense }\n");
    EXPECT_EXIT(Shader(COLOR, folder + "/broken.vert", folder + "/missing.frag"), testing::ExitedWithCode(1),
                "^Failed to compile Shader\n");
}

TEST_F(ShaderDeathTest, EmptyFileIsNotAnOpenErrorButFailsLater) {
    writeTextFile(folder + "/empty.frag", "");
    EXPECT_EXIT(Shader(COLOR, folder + "/good.vert", folder + "/empty.frag"), testing::ExitedWithCode(1),
                "^Failed to (compile Shader|link Program)\n");
}

TEST_F(ShaderDeathTest, LinkErrorPrintsTheProgramLog) {
    // The fragment stage reads a varying no vertex stage writes.
    writeTextFile(folder + "/unmatched.frag",
                  "#version 430 core\nin vec4 nowhere;\nout vec4 c;\nvoid main() { c = nowhere; }\n");
    EXPECT_EXIT(Shader(COLOR, folder + "/good.vert", folder + "/unmatched.frag"), testing::ExitedWithCode(1),
                "^Failed to link Program\n.*nowhere.*\n");
}

} // namespace
