// The generator as the build runs it, and the font the build lays beside the models.
#include "tools/assetgen/GameData.h"

#include "support/ChildProcess.h"
#include "support/TestModels.h"
#include "tools/ModelChecks.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(Assetgen, WritesExactlyTheFilesTheGameOpens) {
    const std::vector<std::string> expected{"Models/terrain.dae",
                                            "Models/Ring.dae",
                                            "Models/fa-18.dae",
                                            "Models/boost.dae",
                                            "Models/hat.dae",
                                            "Textures/fa-18-uv.png",
                                            "Textures/fa-18-glow.png",
                                            "Textures/skybox/right.jpg",
                                            "Textures/skybox/left.jpg",
                                            "Textures/skybox/top.jpg",
                                            "Textures/skybox/bottom.jpg",
                                            "Textures/skybox/back.jpg",
                                            "Textures/skybox/front.jpg",
                                            "Textures/lensflare/bloom.jpg",
                                            "Textures/lensflare/spike.jpg",
                                            "Textures/lensflare/halo1.jpg",
                                            "Textures/lensflare/halo2.jpg",
                                            "Textures/lensflare/ring.jpg",
                                            "Textures/Blacka.png",
                                            "Textures/Prize.tif",
                                            "Sounds/engine.wav",
                                            "Sounds/ring.wav",
                                            "Sounds/hat.wav",
                                            "Sounds/boost.wav",
                                            "Sounds/crash.wav"};
    EXPECT_EQ(tavo::assetgen::generatedFiles(), expected);

    const std::string folder = makeTempFolder("assetgen");
    const ProcessResult run = runProcess({WINDLAP_ASSETGEN, folder}, 120s);
    ASSERT_EQ(run.exitStatus, 0) << run;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        files += entry.is_regular_file();
    EXPECT_EQ(files, static_cast<int>(expected.size())) << "stray or half-written files were left";
    // The build's run folder holds the same bytes: the output depends on nothing but the generator.
    for (const std::string& file : expected)
        EXPECT_TRUE(readFile(folder + "/" + file) == readFile(runFile(file)))
            << file << " differs between runs";

    // A second run replaces every file in place (DevIL refuses to overwrite unless told to).
    const ProcessResult again = runProcess({WINDLAP_ASSETGEN, folder}, 120s);
    EXPECT_EQ(again.exitStatus, 0) << again;
}

TEST(Assetgen, WithoutAFolderItPrintsItsUsage) {
    const ProcessResult run = runProcess({WINDLAP_ASSETGEN}, 10s);
    EXPECT_EQ(run.exitStatus, 2) << run;
    EXPECT_NE(run.err.find("usage: assetgen RUN_FOLDER"), std::string::npos) << run;
}

TEST(Assetgen, AFolderItCannotWriteEndsWithOneClearLine) {
    const std::string folder = makeTempFolder("assetgen-blocked");
    // "Models" exists as a file, so the folder cannot be made.
    writeTextFile(folder + "/Models", "in the way");
    const ProcessResult run = runProcess({WINDLAP_ASSETGEN, folder}, 60s);
    EXPECT_EQ(run.exitStatus, 1) << run;
    EXPECT_EQ(run.signal, 0) << run;
    EXPECT_EQ(run.err.rfind("assetgen: cannot make the folder " + folder + "/Models", 0), 0u) << run;
    EXPECT_EQ(readFile(folder + "/Models"), "in the way");
}

TEST(GameFont, LoadsAndRendersEveryPrintableCharacterAtTheGamesSize) {
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, runFile("Fonts/arial.ttf").c_str(), 0, &face), 0) << "no font in Fonts/";
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 48), 0);
    for (unsigned long code = 0; code < 128; ++code) {
        ASSERT_EQ(FT_Load_Char(face, code, FT_LOAD_RENDER), 0) << "glyph " << code;
        if (code > 32 && code < 127) {
            EXPECT_GT(face->glyph->bitmap.width * face->glyph->bitmap.rows, 0u)
                << "glyph " << code << " is empty";
            EXPECT_LE(static_cast<int>(face->glyph->bitmap.rows), 48) << "glyph " << code;
        }
    }
    // German HUD texts pass through as bytes, so the ASCII range above is what is drawn; the blank advances.
    ASSERT_EQ(FT_Load_Char(face, ' ', FT_LOAD_RENDER), 0);
    EXPECT_GT(face->glyph->advance.x, 0);
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // The font's licence travels with it.
    EXPECT_NE(readFile(runFile("Fonts/LICENSE-LiberationSans.txt")).find("SIL Open Font License"),
              std::string::npos);
}

} // namespace
