#include "render/Mesh.h"
#include "scene/GameObject.h"
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

namespace {

const char* vertexSource = R"(#version 430 core
in vec3 position;
in vec3 normal;
in vec2 uv;
out vec3 shade;
void main() { shade = normal + vec3(uv, 0.0); gl_Position = vec4(position, 1.0); }
)";
const char* fragmentSource = R"(#version 430 core
in vec3 shade;
out vec4 picture;
void main() { picture = vec4(shade, 1.0); }
)";

class MeshTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        folder = makeTempFolder("mesh");
        writeTextFile(folder + "/mesh.vert", vertexSource);
        writeTextFile(folder + "/mesh.frag", fragmentSource);
        color = std::make_unique<Shader>(COLOR, folder + "/mesh.vert", folder + "/mesh.frag");
        basic = std::make_unique<Shader>(BASIC, folder + "/mesh.vert", folder + "/mesh.frag");
        TestMesh plain = squareMesh("plain");
        plain.uvs.clear();
        TestMesh bare = squareMesh("bare", 0.5f);
        bare.material = false;
        TestMesh twoSquares = squareMesh("can_low");
        const TestMesh second = squareMesh("x", 0.5f, glm::vec3(0.2f, 0.2f, 0.1f));
        twoSquares.positions.insert(twoSquares.positions.end(), second.positions.begin(),
                                    second.positions.end());
        twoSquares.normals.insert(twoSquares.normals.end(), second.normals.begin(), second.normals.end());
        twoSquares.uvs.insert(twoSquares.uvs.end(), second.uvs.begin(), second.uvs.end());
        twoSquares.diffuse = glm::vec3(0.9f, 0.7f, 0.1f);
        twoSquares.specular = glm::vec3(0.25f, 0.5f, 0.75f);
        twoSquares.shininess = 32.0f;
        writeCollada(folder + "/model.dae", {twoSquares, plain, bare, squareMesh("can_LOW")});
        scene = importer.ReadFile(folder + "/model.dae", tavo::scene::modelimport::postProcessFlags);
        ASSERT_NE(scene, nullptr);
        ASSERT_EQ(scene->mNumMeshes, 4u);
    }
    std::string folder;
    std::unique_ptr<Shader> color;
    std::unique_ptr<Shader> basic;
    Assimp::Importer importer;
    const aiScene* scene = nullptr;
};

GLuint countPrimitives(tavo::scene::Mesh& mesh) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    mesh.drawWithShader();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    return primitives;
}

TEST_F(MeshTest, CopiesNameIndicesAndMaterial) {
    tavo::scene::Mesh mesh(scene, 0, glm::mat4(1.0f), color.get());
    EXPECT_EQ(mesh.name, "can_low");
    EXPECT_EQ(mesh.indexCount, 12u);
    EXPECT_FLOAT_EQ(mesh.diffuseColor.r, 0.9f);
    EXPECT_FLOAT_EQ(mesh.diffuseColor.b, 0.1f);
    EXPECT_FLOAT_EQ(mesh.specularColor.g, 0.5f);
    EXPECT_FLOAT_EQ(mesh.shininess, 32.0f);
    EXPECT_EQ(countPrimitives(mesh), 4u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshTest, TextureCoordinatesOnlyForTheTexturedProgram) {
    tavo::scene::Mesh withColor(scene, 0, glm::mat4(1.0f), color.get());
    EXPECT_EQ(withColor.uvBuffer, 0u);
    tavo::scene::Mesh withBasic(scene, 0, glm::mat4(1.0f), basic.get());
    EXPECT_NE(withBasic.uvBuffer, 0u);
    const GLint uvLocation = glGetAttribLocation(basic->programId, "uv");
    ASSERT_GE(uvLocation, 0);
    GLint enabled = 1;
    glBindVertexArray(withColor.vao);
    glGetVertexAttribiv(static_cast<GLuint>(uvLocation), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
    glBindVertexArray(withBasic.vao);
    glGetVertexAttribiv(static_cast<GLuint>(uvLocation), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);
    glBindVertexArray(0);

    // A mesh without coordinates drawn with the textured program gets none either.
    tavo::scene::Mesh plain(scene, 1, glm::mat4(1.0f), basic.get());
    EXPECT_EQ(plain.uvBuffer, 0u);
}

TEST_F(MeshTest, GameObjectImportsEveryMeshAndFindsNamesExactly) {
    tavo::scene::GameObject object(glm::mat4(1.0f), color.get(), folder + "/model.dae");
    ASSERT_EQ(object.meshes.size(), 4u);
    EXPECT_EQ(object.findMesh("can_low"), 0);
    EXPECT_EQ(object.findMesh("can_LOW"), 3);
    EXPECT_EQ(object.findMesh("can"), -1);
    EXPECT_EQ(object.findMesh("can_low "), -1);
}

TEST_F(MeshTest, FileWithoutMaterialsGivesBlackSpecular) {
    TestMesh bare = squareMesh("bare");
    bare.material = false;
    writeCollada(folder + "/bare.dae", {bare});
    tavo::scene::GameObject object(glm::mat4(1.0f), color.get(), folder + "/bare.dae");
    ASSERT_EQ(object.meshes.size(), 1u);
    EXPECT_EQ(object.meshes[0]->specularColor, glm::vec3(0.0f));
}

TEST_F(MeshTest, GameObjectTurnsZUpModelsToYUp) {
    tavo::scene::GameObject object(glm::mat4(1.0f), color.get());
    const glm::mat4& m = object.modelMatrix;
    // Model z becomes world y, model y becomes world -z.
    EXPECT_NEAR(m[2][1], 1.0f, 1e-6f);
    EXPECT_NEAR(m[1][2], -1.0f, 1e-6f);
    EXPECT_NEAR(m[0][0], 1.0f, 1e-6f);
    EXPECT_NEAR(m[1][1], 0.0f, 1e-6f);
    EXPECT_EQ(m[3], glm::vec4(0, 0, 0, 1));
}

TEST_F(MeshTest, MissingOrBrokenModelGivesAnObjectThatDrawsNothing) {
    writeTextFile(folder + "/broken.dae", "<COLLADA><library_geometries><geometry id=\"g\"><mesh>");
    for (const std::string& path : {folder + "/missing.dae", folder + "/broken.dae", folder}) {
        tavo::scene::GameObject object(glm::mat4(1.0f), color.get(), path);
        EXPECT_TRUE(object.meshes.empty()) << path;
        object.draw();
        object.drawWithShader();
        object.drawWithMaterial(0, 1, 2);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
