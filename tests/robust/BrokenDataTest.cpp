// The real game on deliberately broken copies of its data folders: it either plays (status 0 on Escape,
// nothing on standard error, the folder untouched) or ends at once with its exact message and status 1,
// never a crash, a hang or a wait for a key.
#include "support/GameUnderTest.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <thread>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// A small window keeps the software-rendered frames fast.
const std::vector<std::string> smallWindow{"320", "180"};
const std::string startupLine =
    std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:320 and 180\n";
constexpr auto noHang = 120s; // start-up with every model loaded, a sanitizer build included

// A private copy of the data folders (the game reads them relative to its working directory).
class RunFolder {
public:
    explicit RunFolder(bool empty = false) : root(makeTempFolder("windlap-broken")) {
        for (const char* folder : {"Shader", "Models", "Textures", "Fonts", "Sounds"})
            if (!empty)
                fs::copy(fs::path(WINDLAP_RUN_DIR) / folder, root / folder, fs::copy_options::recursive);
    }
    ~RunFolder() {
        setWritable(true);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string file(const std::string& relative) const { return (root / relative).string(); }
    void remove(const std::string& relative) { ASSERT_TRUE(fs::remove(file(relative))) << relative; }
    void write(const std::string& relative, const std::string& text) { writeTextFile(file(relative), text); }
    std::string read(const std::string& relative) const {
        std::ifstream stream(file(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }
    // As a copy that stopped part-way leaves it.
    void truncate(const std::string& relative, double kept) {
        fs::resize_file(file(relative), static_cast<std::uintmax_t>(kept * fs::file_size(file(relative))));
    }
    // A geometry no node instances is not imported; the generator writes each node on its own line.
    void dropMesh(const std::string& model, const std::string& mesh) {
        const std::string text = read(model);
        const size_t at = text.find("<node id=\"node-" + mesh + "\"");
        ASSERT_NE(at, std::string::npos) << mesh;
        const size_t lineStart = text.rfind('\n', at) + 1;
        write(model, text.substr(0, lineStart) + text.substr(text.find('\n', at) + 1));
    }
    void setWritable(bool writable) {
        const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        const auto option = writable ? fs::perm_options::add : fs::perm_options::remove;
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root, ignored))
            fs::permissions(entry.path(), write, option, ignored);
        fs::permissions(root, write, option, ignored);
    }
    std::map<std::string, std::uintmax_t> listing() const {
        std::map<std::string, std::uintmax_t> files;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            files[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
        return files;
    }

    const fs::path root;
};

// Every mesh the game looks up by name, per model.
const std::vector<std::pair<std::string, std::vector<std::string>>> namedMeshes{
    {"Models/terrain.dae",
     {"Grid_right", "Grid_bottomright", "Grid_bottomleft", "Grid_topright", "Grid_topleft", "Grid_top",
      "Grid_bottom", "Grid", "Grid_left"}},
    {"Models/fa-18.dae",
     {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right", "topWing_left", "topWing_right",
      "hat", "window"}},
    {"Models/boost.dae", {"can", "can_low", "effect"}},
    {"Models/hat.dae", {"hat", "hat_low"}}};
// Those the game's texture loader reports with DevIL's "could not open" number; the sky box skips a missing
// face silently.
const std::vector<std::string> reportedImages{
    "Textures/fa-18-uv.png",        "Textures/fa-18-glow.png",      "Textures/lensflare/bloom.jpg",
    "Textures/lensflare/spike.jpg", "Textures/lensflare/halo1.jpg", "Textures/lensflare/halo2.jpg",
    "Textures/lensflare/ring.jpg",  "Textures/Blacka.png",          "Textures/Prize.tif"};

// Meshes of every model left out (terrain's too, or not): parity 0 the even-numbered names, 1 the odd ones.
void lackMeshes(RunFolder& run, size_t parity, bool terrain) {
    for (const auto& [model, meshes] : namedMeshes)
        for (size_t i = parity; i < meshes.size() && (terrain || model != "Models/terrain.dae"); i += 2)
            run.dropMesh(model, meshes[i]);
}
void dropTerrain(RunFolder& run, const std::vector<const char*>& pieces) {
    for (const char* piece : pieces)
        run.dropMesh("Models/terrain.dae", piece);
}

// Each break turns off things of its own, so that several share one run; the output names each reported one.
struct PlayableBreak {
    std::string name;
    std::string soundConfig; // alsoft.conf for the run
    std::function<void(RunFolder&)> breakIt;
    std::string expectedOut; // after the start-up line
};

std::vector<PlayableBreak> playableBreaks() {
    std::string imageLines;
    for (size_t i = 0; i < reportedImages.size(); ++i)
        imageLines += "1290\n";
    return {
        {"MissingModels_SoundDeviceFailsToOpen", "drivers=wave\n[wave]\nfile=/nonexistent-folder/sound.wav",
         [](RunFolder& run) {
             for (const char* model : {"terrain", "Ring", "fa-18", "boost", "hat"})
                 run.remove(std::string("Models/") + model + ".dae");
         },
         ""},
        {"NotAModel_TruncatedModel_IndexOutOfRange_NoSoundBackend", "drivers=no-such-backend",
         [](RunFolder& run) {
             run.write("Models/fa-18.dae", "This is not a model.\n\x01\x02\xff\n<COLLADA><node");
             run.truncate("Models/Ring.dae", 0.5);
             // Well-formed XML whose triangles name corners the vertex arrays do not have.
             std::string text = run.read("Models/terrain.dae");
             run.write("Models/terrain.dae", text.insert(text.find("<p>") + 3, "99999999 "));
         },
         ""},
        {"LackingEvenMeshes_ReadOnlyFolder", "",
         [](RunFolder& run) {
             lackMeshes(run, 0, true);
             run.setWritable(false);
         },
         ""},
        {"LackingOddMeshes_TerrainCentreAlone", "",
         [](RunFolder& run) {
             lackMeshes(run, 1, false);
             dropTerrain(run, {"Grid_right", "Grid_bottomright", "Grid_bottomleft", "Grid_topright",
                               "Grid_topleft", "Grid_top", "Grid_bottom", "Grid_left"});
         },
         ""},
        // The ALSA library prints its own lines for a device it cannot find.
        {"MissingImages_TerrainCornersAlone_SoundDeviceNotFound",
         "drivers=alsa\n[alsa]\ndevice=windlap-no-such-device",
         [](RunFolder& run) {
             for (const std::string& image : reportedImages)
                 run.remove(image);
             for (const char* face : {"right", "left", "top", "bottom", "back", "front"})
                 run.remove(std::string("Textures/skybox/") + face + ".jpg");
             dropTerrain(run, {"Grid_right", "Grid_top", "Grid_bottom", "Grid", "Grid_left"});
         },
         imageLines},
        // Sounds broken in every way (missing, not a WAV, cut in the header, the format and the samples).
        {"MissingFont_BrokenSounds", "drivers=wave\n[wave]\nfile=/dev/null",
         [](RunFolder& run) {
             run.remove("Fonts/arial.ttf");
             run.remove("Sounds/engine.wav");
             run.write("Sounds/ring.wav", "RIFF\x10\0\0\0WAVEfmt \xff\xff\xff\x7f not a sound");
             run.truncate("Sounds/hat.wav", 0.0005);
             run.truncate("Sounds/boost.wav", 0.5);
             run.truncate("Sounds/crash.wav", 0.9);
         },
         "ERROR::FREETYPE: Failed to load font\n"},
    };
}

class PlaysOn : public testing::TestWithParam<PlayableBreak> {};

// A few seconds of play with keys held (climb, roll, boost with its zoom, the help and frame time texts), so
// that the world update, every pass and the HUD run on the broken data.
TEST_P(PlaysOn, AndQuitsOnEscape) {
    RunFolder run;
    std::vector<std::string> env;
    if (!GetParam().soundConfig.empty()) {
        run.write("alsoft.conf", "[general]\n" + GetParam().soundConfig + "\n");
        env = {"-u", "ALSOFT_DRIVERS", "-u", "ALSOFT_LOGLEVEL", "ALSOFT_CONF=" + run.file("alsoft.conf")};
    }
    GetParam().breakIt(run);
    const auto before = run.listing();
    {
        GameUnderTest game(smallWindow, run.root, env);
        ASSERT_TRUE(game.waitForWindow(noHang)) << game.diagnostics();
        for (const char* key : {"s", "a", "Shift_L", "F1", "F2"})
            game.keyDown(key);
        ASSERT_TRUE(game.waitForFrames(noHang)) << "no frames presented: " << game.diagnostics();
        std::this_thread::sleep_for(1s);
        EXPECT_TRUE(game.waitForFrames(noHang)) << "frames stopped: " << game.diagnostics();
        const ProcessResult end = game.quitWithEscape(noHang);
        EXPECT_EQ(std::tie(end.exitStatus, end.err, end.out),
                  std::make_tuple(0, "", startupLine + GetParam().expectedOut))
            << end;
    }
    // Write permission means little to root: what is left behind shows whether the game wrote there.
    EXPECT_EQ(run.listing(), before);
}

INSTANTIATE_TEST_SUITE_P(Data, PlaysOn, testing::ValuesIn(playableBreaks()),
                         [](const auto& info) { return info.param.name; });

// An empty working folder, and one the shell enters, removes and then becomes the game in.
TEST(BrokenFolder, EndsWithTheFirstShaderMessage) {
    for (bool deleted : {false, true}) {
        RunFolder run(!deleted);
        const std::string script = deleted ? "rm -rf \"$PWD\" && exec \"$0\" \"$@\"" : "exec \"$0\" \"$@\"";
        const ProcessResult end =
            GameUnderTest({"-c", script, WINDLAP_BINARY, "320", "180"}, run.root, {}, "sh")
                .waitForExit(noHang);
        EXPECT_EQ(
            std::tie(end.exitStatus, end.out, end.err),
            std::make_tuple(1, startupLine, "Failed to open Shader file with path: ./Shader/basic.vert\n"))
            << end;
    }
}

} // namespace
