// The generator as the build runs it, its COLLADA writer's refusals, and the images and sounds as the game
// reads them (DevIL; the game's WAV reader). What they look and sound like in play the goldens and e2e see.
#include "app/WaveFile.h"
#include "tools/assetgen/ColladaWriter.h"
#include "tools/assetgen/GameData.h"

#include "support/ChildProcess.h"
#include "support/TestModels.h"

#include <IL/il.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace ag = tavo::assetgen;
using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
std::string runFile(const std::string& relative) {
    return std::string(WINDLAP_RUN_DIR) + "/" + relative;
}

TEST(Assetgen, WritesExactlyTheFilesTheGameOpensTheSameOnEveryRun) {
    std::set<std::string> expected;
    for (const auto& [folder, names] : std::vector<std::pair<std::string, std::string>>{
             {"Models/", "terrain.dae Ring.dae fa-18.dae boost.dae hat.dae"},
             {"Textures/", "fa-18-uv.png fa-18-glow.png Blacka.png Prize.tif"},
             {"Textures/skybox/", "right.jpg left.jpg top.jpg bottom.jpg back.jpg front.jpg"},
             {"Textures/lensflare/", "bloom.jpg spike.jpg halo1.jpg halo2.jpg ring.jpg"},
             {"Sounds/", "engine.wav ring.wav hat.wav boost.wav crash.wav"}}) {
        std::istringstream list(names);
        for (std::string name; list >> name;)
            expected.insert(folder + name);
    }
    const std::string folder = makeTempFolder("assetgen");
    for (int run = 0; run < 2; ++run) { // the second run replaces every file in place
        const ProcessResult result = runProcess({WINDLAP_ASSETGEN, folder}, 120s);
        ASSERT_EQ(result.exitStatus, 0) << result;
    }
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            written.insert(std::filesystem::relative(entry.path(), folder).string());
    EXPECT_EQ(written, expected);
    // The build's run folder holds the same bytes: the output depends on nothing but the generator.
    for (const std::string& file : expected)
        EXPECT_TRUE(readFile(folder + "/" + file) == readFile(runFile(file))) << file << " differs";
    EXPECT_NE(readFile(runFile("Fonts/LICENSE-LiberationSans.txt")).find("SIL Open Font License"),
              std::string::npos);
}

TEST(Assetgen, WithoutAFolderOrWithOneItCannotWriteItEndsWithOneClearLine) {
    const ProcessResult usage = runProcess({WINDLAP_ASSETGEN}, 10s);
    EXPECT_EQ(usage.exitStatus, 2) << usage;
    EXPECT_NE(usage.err.find("usage: assetgen RUN_FOLDER"), std::string::npos) << usage;
    const std::string folder = makeTempFolder("assetgen-blocked");
    writeTextFile(folder + "/Models", "in the way"); // so the folder cannot be made
    const ProcessResult blocked = runProcess({WINDLAP_ASSETGEN, folder}, 60s);
    EXPECT_EQ(blocked.exitStatus, 1) << blocked;
    EXPECT_EQ(blocked.err.rfind("assetgen: cannot make the folder " + folder + "/Models", 0), 0u) << blocked;
    EXPECT_EQ(readFile(folder + "/Models"), "in the way");
}

TEST(ColladaWriter, RefusesBadModelsWithAReasonAndKeepsTheOldFile) {
    ag::Model good;
    good.materials = {{"shiny", glm::vec3(0.9f), glm::vec3(0.8f), 32.0f},
                      {"dull", glm::vec3(0.1f), {}, 4.0f}};
    for (const char* name : {"zulu", "alpha"})
        good.meshes.push_back({name,
                               "shiny",
                               {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                               {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}},
                               {{0, 0}, {1, 0}, {0, 1}},
                               {0, 1, 2}});
    const std::string path = makeTempFolder("colladawriter") + "/model.dae";
    ag::ColladaWriter::write(good, path);
    const std::string before = readFile(path);
    const std::pair<const char*, void (*)(ag::Model&)> cases[] = {
        {"no meshes", [](ag::Model& m) { m.meshes.clear(); }},
        {"used twice", [](ag::Model& m) { m.meshes[1].name = "zulu"; }},
        {"not a plain identifier", [](ag::Model& m) { m.meshes[0].name = "can low\"/>"; }},
        {"not defined", [](ag::Model& m) { m.meshes[0].material = "gold"; }},
        {"past the last", [](ag::Model& m) { m.meshes[0].indices[2] = 3; }},
        {"not a multiple of 3", [](ag::Model& m) { m.meshes[0].indices.pop_back(); }},
        {"normals for", [](ag::Model& m) { m.meshes[0].normals.pop_back(); }},
        {"texture coordinates for",
         [](ag::Model& m) {
             m.meshes[0].uvs.push_back({0, 0});
         }},
        {"not a finite number", [](ag::Model& m) { m.meshes[0].positions[1].y = std::nanf(""); }},
        {"no vertices or no triangles", [](ag::Model& m) { m.meshes[1].indices.clear(); }},
    };
    for (const auto& [reason, spoil] : cases) {
        ag::Model model = good;
        spoil(model);
        EXPECT_NE(ag::ColladaWriter::check(model).find(reason), std::string::npos) << reason;
        try {
            ag::ColladaWriter::write(model, path);
            ADD_FAILURE() << "a model with \"" << reason << "\" was written";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
        EXPECT_EQ(readFile(path), before) << "a refused model changed the file on disk";
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
    EXPECT_THROW(ag::ColladaWriter::write(good, path + "/no/such/folder.dae"), std::runtime_error);
}

// Grey images would arrive as GL_LUMINANCE, which a core context refuses; the aircraft's are uploaded before
// the unpack alignment is 1, so they need 4-byte rows.
TEST(ImageFiles, AreEightBitRgbOrRgbaOfTheShapesTheGameNeeds) {
    ilInit();
    for (const std::string& file : ag::generatedFiles()) {
        if (file.rfind("Textures/", 0) != 0)
            continue;
        SCOPED_TRACE(file);
        const ILuint id = ilGenImage();
        ilBindImage(id);
        ASSERT_TRUE(ilLoadImage(runFile(file).c_str()));
        const int width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
        const int format = ilGetInteger(IL_IMAGE_FORMAT);
        EXPECT_TRUE(format == IL_RGB || format == IL_RGBA);
        EXPECT_EQ(ilGetInteger(IL_IMAGE_TYPE), IL_UNSIGNED_BYTE);
        const bool sky = file.find("skybox") != std::string::npos,
                   prize = file.find("Prize") != std::string::npos;
        EXPECT_TRUE(format == IL_RGBA || !(prize || file.find("fa-18") != std::string::npos));
        EXPECT_TRUE(width == height || !(sky || prize)) << "a cube face, or the prize's square";
        ilDeleteImage(id);
    }
}

TEST(SoundFiles, AreShortMonoWavesQuietAtTheEndsAndTheEngineLoopsWithoutASeam) {
    std::uintmax_t folderBytes = 0;
    int sounds = 0;
    for (const std::string& name : ag::generatedFiles()) {
        if (name.rfind("Sounds/", 0) != 0)
            continue;
        SCOPED_TRACE(name);
        ++sounds;
        folderBytes += std::filesystem::file_size(runFile(name));
        const auto wave = readWave(runFile(name));
        ASSERT_TRUE(wave) << "not a mono 16-bit WAV";
        EXPECT_TRUE(wave->rate == 22050 || wave->rate == 44100) << wave->rate;
        const std::vector<std::int16_t>& x = wave->samples;
        const size_t n = x.size();
        EXPECT_TRUE(n >= 0.3 * wave->rate && n <= 2.0 * wave->rate) << n;
        int peak = 0, step = 0, curve = 0;
        for (size_t i = 2; i < n; ++i) {
            peak = std::max(peak, std::abs(int(x[i])));
            step = std::max(step, std::abs(x[i] - x[i - 1]));
            curve = std::max(curve, std::abs((x[i] - x[i - 1]) - (x[i - 1] - x[i - 2])));
        }
        EXPECT_TRUE(peak > 32767 / 4 && peak < 32767 * 9 / 10)
            << "nearly silent or too loud to mix: " << peak;
        if (name == "Sounds/engine.wav") {
            // Looped, the last sample runs into the first: that step and its change of slope look like any.
            EXPECT_LE(std::abs(x[0] - x[n - 1]), step);
            EXPECT_LE(std::abs((x[0] - x[n - 1]) - (x[n - 1] - x[n - 2])), curve);
        } else {
            EXPECT_TRUE(std::abs(int(x.front())) < 100 && std::abs(int(x.back())) < 100) << "a click";
        }
    }
    EXPECT_EQ(sounds, 5);
    EXPECT_LT(folderBytes, 1000000u);
}

} // namespace
