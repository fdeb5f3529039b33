#include "scene/Terrain.h"
#include "WorldTestData.h"
#include "scene/FlightModel.h"
#include "scene/Plane.h"
#include "util/PhysxHandler.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <iostream>

using tavo::scene::Terrain;
using tavo::util::PhysxHandler;

namespace {

// The game's terrain pose: 300 below the origin, ten times the model's size.
const glm::mat4 terrainPose =
    glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, -300, 0)), glm::vec3(10.0f));

class TerrainTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        worlddata::enterRunFolder();
        sharedInput = &input;
        folder = makeTempFolder("terrain");
        color = std::make_unique<Shader>(COLOR, "./Shader/color.vert", "./Shader/color.frag");
        physics = std::make_unique<PhysxHandler>();
    }
    void TearDown() override {
        color.reset();
        physics.reset();
        sharedInput = nullptr;
        GlTest::TearDown();
    }
    std::unique_ptr<Terrain> makeTerrain(const std::vector<worlddata::PiecePlace>& pieces,
                                         const worlddata::HeightField& height = worlddata::flatValley,
                                         int cells = 4) {
        worlddata::writeTerrain(folder + "/terrain.dae", pieces, height, cells);
        return std::make_unique<Terrain>(terrainPose, color.get(), folder + "/terrain.dae", 10.0f,
                                         physics.get());
    }

    InputState input;
    std::string folder;
    std::unique_ptr<Shader> color;
    std::unique_ptr<PhysxHandler> physics;
};

constexpr unsigned int indicesPerPiece = 4 * 4 * 2 * 3;

} // namespace

TEST_F(TerrainTest, NinePiecesStandInTheWorldAtTheirGridPlaces) {
    auto terrain = makeTerrain(worlddata::allPieces());
    ASSERT_EQ(terrain->meshes.size(), 9u);
    for (int slot = 0; slot < Terrain::tileCount; ++slot) {
        EXPECT_NE(terrain->tileActors[slot], nullptr) << Terrain::tileNames[slot];
        EXPECT_EQ(physics->terrainTileActors[slot], terrain->tileActors[slot]);
    }
    EXPECT_EQ(terrain->tileOffsets[4], glm::vec3(-2000, 0, 2000)); // "Grid_topleft"
    EXPECT_EQ(terrain->tileOffsets[0], glm::vec3(0, 0, -2000));    // "Grid_right"
    EXPECT_FLOAT_EQ(terrain->boundingRadius, 1500.0f);
    EXPECT_EQ(terrain->getIndexCount(), 9 * indicesPerPiece);

    // Each piece is where its model place says: model (x, y) lies at world (10 x, -10 y), height 10 z - 300.
    const btRigidBody* topLeft = physics->terrainTileActors[4];
    auto hit = PhysxHandler::raycastUp(topLeft, topLeft, {-2000, -300, 2000});
    ASSERT_TRUE(hit.has_value());
    EXPECT_NEAR(-300 + *hit, -140.0f, 0.01f);
    EXPECT_FALSE(PhysxHandler::raycastUp(topLeft, topLeft, {2000, -300, 2000}).has_value());
}

TEST_F(TerrainTest, EachPieceIsCulledByItsOwnSphere) {
    auto terrain = makeTerrain(worlddata::allPieces());
    unsigned int all = 0;
    const GLuint triangles = worlddata::primitivesDrawn([&] { all = terrain->drawTiles(nullptr, true); });
    EXPECT_EQ(triangles, all / 3);
    EXPECT_EQ(all, terrain->getIndexCount());

    tavo::scene::ViewFrustum frustum;
    frustum.setInternals(10.0f * tavo::scene::degree, 16.0f / 9.0f, 0.1f, 1200.0f);
    // Straight down over the centre piece with a narrow view: only that piece is in sight.
    frustum.setCamera({0, 1000, 0}, {0, 0, 0}, {0, 0, -1});
    EXPECT_EQ(terrain->drawTiles(&frustum, false), indicesPerPiece);
    EXPECT_EQ(terrain->drawTiles(&frustum, true), 9 * indicesPerPiece);
    // Far out, looking away: nothing.
    frustum.setCamera({0, 0, 20000}, {0, 0, 30000}, {0, 1, 0});
    EXPECT_EQ(terrain->drawTiles(&frustum, false), 0u);
}

TEST_F(TerrainTest, AFileWithFewerPiecesDrawsWhatItHas) {
    auto terrain =
        makeTerrain({{"Grid", 0, 0}, {"Rock", 0, 0}, {"Grid_left", 0, -200}, {"Grid_right", 0, 200}});
    ASSERT_EQ(terrain->meshes.size(), 4u);
    unsigned int drawn = 0;
    const GLuint triangles = worlddata::primitivesDrawn([&] { drawn = terrain->drawTiles(nullptr, true); });
    EXPECT_EQ(triangles, 4 * indicesPerPiece / 3);
    EXPECT_EQ(drawn, 4 * indicesPerPiece);
    int registered = 0;
    for (btRigidBody* actor : physics->terrainTileActors)
        registered += actor != nullptr;
    EXPECT_EQ(registered, 3);
    EXPECT_EQ(physics->terrainTileActors[8], terrain->tileActors[8]);
    EXPECT_EQ(terrain->meshOffsets[2], glm::vec3(0, 0, 2000)); // culled at its own place, not at slot 2's

    std::vector<worlddata::PiecePlace> eleven = worlddata::allPieces();
    eleven.push_back({"Extra", 0, 0});
    eleven.push_back({"More", 0, 0});
    auto longer = makeTerrain(eleven);
    EXPECT_EQ(longer->drawTiles(nullptr, true), 9 * indicesPerPiece);
}

TEST_F(TerrainTest, MissingFileGivesNoPiecesAndNoActors) {
    Terrain terrain(terrainPose, color.get(), folder + "/absent.dae", 10.0f, physics.get());
    EXPECT_TRUE(terrain.meshes.empty());
    EXPECT_EQ(terrain.drawTiles(nullptr, true), 0u);
    EXPECT_EQ(terrain.getIndexCount(), 0u);
    for (btRigidBody* actor : physics->terrainTileActors)
        EXPECT_EQ(actor, nullptr);
}

TEST_F(TerrainTest, JetFlownIntoAHillRaisesTheCrashFlag) {
    // A ridge across the jet's path at world z = 400, rising to world height 160.
    auto ridge = [](float, float y) {
        return 16.0f + 30.0f * std::exp(-std::pow((y + 40.0f) / 15.0f, 2.0f));
    };
    auto terrain = makeTerrain({{"Grid", 0, 0}}, ridge, 40);
    worlddata::writeJet(folder + "/jet.dae");
    Shader basic(BASIC, "./Shader/basic.vert", "./Shader/basic.frag");
    tavo::scene::Plane jet(glm::mat4(1.0f), &basic, folder + "/jet.dae", "", "", physics.get());
    int frames = 0;
    while (!physics->planeCrashed && frames < 1200) {
        jet.update(1.0f / 60.0f, window);
        physics->step(1.0f / 60.0f);
        ++frames;
    }
    ASSERT_TRUE(physics->planeCrashed);
    // The nose (8.5 ahead) meets the ridge's flank where the surface rises through the jet's height, about
    // z = 269 (the mesh's 50-unit cells blur it a little).
    const float nose = PhysxHandler::getGlobalPosition(jet.actor).z + 8.5f;
    EXPECT_GT(nose, 240.0f);
    EXPECT_LT(nose, 280.0f);
    EXPECT_FALSE(physics->ringPassed || physics->ringInTerrain || physics->boostCollected ||
                 physics->hatCollected);
}

TEST_F(TerrainTest, ShadowPassDrawsOnlyThePiecesTheSunSeesAndTheMapStaysTheSame) {
    auto hills = [](float x, float y) { return 16.0f + 12.0f * std::sin(x / 37.0f) * std::cos(y / 23.0f); };
    auto terrain = makeTerrain(worlddata::allPieces(), hills, 8);
    const unsigned int perPiece = 8 * 8 * 2 * 3;
    Shader depth(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
    const glm::vec3 sun(0.6666667f, -0.3333333f, 0.6666667f);
    tavo::scene::ShadowMap shadowMap(glm::mat4(1.0f), &sun, &depth);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);

    const size_t texels = static_cast<size_t>(shadowMap.size) * shadowMap.size;
    std::vector<float> everything(texels), chosen(texels);
    auto renderMap = [&](const glm::vec3& camera, std::vector<float>& into, bool all) {
        shadowMap.updateLight(camera);
        shadowMap.draw();
        glViewport(0, 0, shadowMap.size, shadowMap.size);
        glClear(GL_DEPTH_BUFFER_BIT);
        glUniformMatrix4fv(shadowMap.modelLocation, 1, GL_FALSE, glm::value_ptr(terrain->modelMatrix));
        unsigned int drawn = 0;
        if (all)
            terrain->draw();
        else
            drawn = terrain->drawShadowTiles(shadowMap);
        glBindTexture(GL_TEXTURE_2D, shadowMap.depthTexture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, into.data());
        return drawn;
    };

    struct View {
        glm::vec3 camera;
        unsigned int leastPieces, mostPieces;
    };
    // Over the centre, over a corner piece, and far beyond the edge where the sun sees no ground at all.
    for (const View& view :
         {View{{0, 200, 0}, 1, 8}, View{{-2600, 200, 2600}, 1, 5}, View{{0, 200, 30000}, 0, 0}}) {
        renderMap(view.camera, everything, true);
        const unsigned int drawn = renderMap(view.camera, chosen, false);
        EXPECT_GE(drawn, view.leastPieces * perPiece) << view.camera.x << ", " << view.camera.z;
        EXPECT_LE(drawn, view.mostPieces * perPiece) << view.camera.x << ", " << view.camera.z;
        EXPECT_EQ(drawn % perPiece, 0u);
        size_t differing = 0, shaded = 0;
        for (size_t i = 0; i < texels; ++i) {
            differing += everything[i] != chosen[i];
            shaded += everything[i] < 1.0f;
        }
        EXPECT_EQ(differing, 0u) << "the map changed at " << view.camera.x << ", " << view.camera.z;
        if (view.mostPieces > 0) {
            EXPECT_GT(shaded, texels / 10) << "the sun should see ground at " << view.camera.x;
        } else {
            EXPECT_EQ(shaded, 0u);
        }
        std::cout << "camera " << view.camera.x << ", " << view.camera.z << ": " << drawn / perPiece
                  << " pieces, " << shaded * 100 / texels << " % of the map shaded\n";
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
