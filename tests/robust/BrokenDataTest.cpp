// The real game started on deliberately broken copies of its data folders. Whatever is broken, the game
// either plays (and ends with status 0 on Escape, saying nothing on standard error) or ends at once with its
// exact message and status 1, without waiting for a key: never a crash, a hang or a sanitizer report.
#include "robust/BrokenRunFolder.h"
#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A small window keeps the software-rendered frames fast.
const std::vector<std::string> smallWindow{"320", "180"};
const std::string startupLine =
    std::string("You are running '") + WINDLAP_BINARY + "' with the arguments:320 and 180\n";

// Start-up with every model loaded, a sanitizer build included, stays well inside this.
constexpr auto noHang = 120s;

// Keys held through the play: climb, roll, boost (the zoom rebuilds the projection) and the help and frame
// time texts, so the world update, every pass and the HUD run on the broken data.
const std::vector<std::string> playKeys{"s", "a", "Shift_L", "F1", "F2"};

bool picturesDiffer(GameUnderTest& game) {
    const Image first = game.screenshot("first");
    std::this_thread::sleep_for(300ms);
    const Image second = game.screenshot("second");
    return first.width > 0 && first.rgb != second.rgb;
}

// A game presents frames once its picture changes between two looks: before its first frame the window
// holds still, and a game that hangs holds still for good.
bool waitForMovingPicture(GameUnderTest& game) {
    return waitUntil([&] { return !game.running() || picturesDiffer(game); }, noHang) && game.running();
}

bool hasSanitizerReport(const std::string& err) {
    return err.find("Sanitizer") != std::string::npos || err.find("runtime error:") != std::string::npos;
}

// Plays a few seconds in folder with keys held, then quits with Escape: the game must still be running
// then, end with status 0 and have written expectedOut after its start-up line and nothing on standard
// error. An alsoft.conf in the folder is OpenAL Soft's configuration for the run.
void expectPlaysAndQuits(const std::string& folder, const std::string& expectedOut) {
    ProcessOptions options;
    options.workingDirectory = folder;
    options.silentStdinPipe = true;
    if (std::filesystem::exists(folder + "/alsoft.conf")) {
        options.unset = {"ALSOFT_DRIVERS", "ALSOFT_LOGLEVEL"};
        options.set = {{"ALSOFT_CONF", folder + "/alsoft.conf"}};
    }
    GameUnderTest game(smallWindow, options);
    ASSERT_TRUE(game.waitForWindow("Windlap", noHang)) << game.diagnostics();
    for (const std::string& key : playKeys)
        game.keyDown(key);
    ASSERT_TRUE(waitForMovingPicture(game)) << "no frames presented: " << game.diagnostics();
    // A little more play after the first frames: the aircraft climbs and rolls, the ring and the can spin.
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(waitForMovingPicture(game)) << "frames stopped: " << game.diagnostics();
    for (const std::string& key : playKeys)
        game.keyUp(key);
    ASSERT_TRUE(game.running()) << game.diagnostics();
    ProcessResult end = game.quitWithEscape(noHang);
    EXPECT_FALSE(end.timedOut) << end;
    EXPECT_EQ(end.signal, 0) << end;
    EXPECT_EQ(end.exitStatus, 0) << end;
    EXPECT_EQ(end.err, "") << end;
    EXPECT_EQ(end.out, startupLine + expectedOut) << end;
}

// Starts the game in folder and expects it to end by itself with status 1, the start-up line alone on
// standard output and a standard error that the check accepts. Its standard input is a pipe that never
// delivers a byte: a game that waited for a key would hang there.
void expectFatal(const std::string& folder, const std::function<void(const std::string& err)>& checkErr,
                 const std::vector<std::string>& command = {}) {
    ProcessOptions options;
    options.workingDirectory = folder;
    options.silentStdinPipe = true;
    std::vector<std::string> run = command;
    if (run.empty()) {
        run = {WINDLAP_BINARY};
        run.insert(run.end(), smallWindow.begin(), smallWindow.end());
    }
    ProcessResult end = runProcess(run, noHang, options);
    EXPECT_FALSE(end.timedOut) << "waited for a key or hung: " << end;
    EXPECT_EQ(end.signal, 0) << end;
    EXPECT_EQ(end.exitStatus, 1) << end;
    EXPECT_EQ(end.out, startupLine) << end;
    EXPECT_FALSE(hasSanitizerReport(end.err)) << end;
    checkErr(end.err);
}

class BrokenData : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run the suite through scripts/test";
    }
};

// ---- Data the game survives: it plays and quits normally.

struct PlayableBreak {
    std::string name;
    std::function<void(BrokenRunFolder&)> breakIt;
    std::string expectedOut; // after the start-up line
};

std::ostream& operator<<(std::ostream& stream, const PlayableBreak& playable) {
    return stream << playable.name;
}

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

// Those loaded through the game's texture loader print DevIL's "could not open" number; the sky box loads
// its faces itself and skips a missing one silently.
const std::vector<std::string> reportedImages{
    "Textures/fa-18-uv.png",        "Textures/fa-18-glow.png",      "Textures/lensflare/bloom.jpg",
    "Textures/lensflare/spike.jpg", "Textures/lensflare/halo1.jpg", "Textures/lensflare/halo2.jpg",
    "Textures/lensflare/ring.jpg",  "Textures/Blacka.png",          "Textures/Prize.tif"};
const std::vector<std::string> skyFaces{"right", "left", "top", "bottom", "back", "front"};
const std::vector<std::string> sounds{"Sounds/engine.wav", "Sounds/ring.wav", "Sounds/hat.wav",
                                      "Sounds/boost.wav", "Sounds/crash.wav"};

// Each break below turns off one thing of its own (a model, a mesh, an image, a sound, the sound device),
// so several share one game run; the standard output still names every reported one.
using Break = std::function<void(BrokenRunFolder&)>;
Break all(std::vector<Break> breaks) {
    return [breaks](BrokenRunFolder& run) {
        for (const Break& each : breaks)
            each(run);
    };
}
Break soundDevice(const std::string& config) {
    return [config](BrokenRunFolder& run) { run.write("alsoft.conf", config); };
}
// Meshes of every model left out: run parity 0 the even-numbered names, 1 the odd ones; each once.
Break lackMeshes(size_t parity, bool terrainToo) {
    return [=](BrokenRunFolder& run) {
        for (const auto& [model, meshes] : namedMeshes)
            for (size_t i = parity; i < meshes.size() && (terrainToo || model != "Models/terrain.dae");
                 i += 2)
                run.dropMesh(model, meshes[i]);
    };
}
Break terrainOf(std::vector<const char*> dropped) {
    return [dropped](BrokenRunFolder& run) {
        for (const char* piece : dropped)
            run.dropMesh("Models/terrain.dae", piece);
    };
}

std::vector<PlayableBreak> playableBreaks() {
    std::string imageLines;
    for (size_t i = 0; i < reportedImages.size(); ++i)
        imageLines += "1290\n";
    return {
        {"MissingModels_SoundDeviceFailsToOpen",
         all({[](BrokenRunFolder& run) {
                  for (const char* model : {"terrain", "Ring", "fa-18", "boost", "hat"})
                      run.remove(std::string("Models/") + model + ".dae");
              },
              soundDevice("[general]\ndrivers=wave\n[wave]\nfile=/nonexistent-folder/sound.wav\n")}),
         ""},
        {"NotAModel_TruncatedModel_IndexOutOfRange_NoSoundBackend",
         all({[](BrokenRunFolder& run) {
                  run.write("Models/fa-18.dae", "This is not a model.\n\x01\x02\xff\n<COLLADA><node");
                  run.truncate("Models/Ring.dae", 0.5);
                  // Well-formed XML whose triangles name corners the vertex arrays do not have.
                  std::string text = run.read("Models/terrain.dae");
                  text.insert(text.find("<p>") + 3, "99999999 ");
                  run.write("Models/terrain.dae", text);
              },
              soundDevice("[general]\ndrivers=no-such-backend\n")}),
         ""},
        {"LackingEvenMeshes", lackMeshes(0, true), ""},
        {"LackingOddMeshes_TerrainCentreAlone",
         all({lackMeshes(1, false),
              terrainOf({"Grid_right", "Grid_bottomright", "Grid_bottomleft", "Grid_topright", "Grid_topleft",
                         "Grid_top", "Grid_bottom", "Grid_left"})}),
         ""},
        // The ALSA library prints its own lines for a device it cannot find.
        {"MissingImages_TerrainCornersAlone_SoundDeviceNotFound",
         all({[](BrokenRunFolder& run) {
                  for (const std::string& image : reportedImages)
                      run.remove(image);
                  for (const std::string& face : skyFaces)
                      run.remove("Textures/skybox/" + face + ".jpg");
              },
              terrainOf({"Grid_right", "Grid_top", "Grid_bottom", "Grid", "Grid_left"}),
              soundDevice("[general]\ndrivers=alsa\n[alsa]\ndevice=windlap-no-such-device\n")}),
         imageLines},
        // Sounds broken in every way (missing, not a WAV, cut in the header, the format and the samples),
        // played on a working device that records into nothing.
        {"MissingFont_BrokenSounds",
         all({[](BrokenRunFolder& run) {
                  run.remove("Fonts/arial.ttf");
                  run.remove(sounds[0]);
                  run.write(sounds[1], "RIFF\x10\0\0\0WAVEfmt \xff\xff\xff\x7f not a sound");
                  run.truncate(sounds[2], 0.0005);
                  run.truncate(sounds[3], 0.5);
                  run.truncate(sounds[4], 0.9);
              },
              soundDevice("[general]\ndrivers=wave\n[wave]\nfile=/dev/null\n")}),
         "ERROR::FREETYPE: Failed to load font\n"},
    };
}

class PlaysOn : public BrokenData, public testing::WithParamInterface<PlayableBreak> {};

TEST_P(PlaysOn, AndQuitsOnEscape) {
    BrokenRunFolder run;
    GetParam().breakIt(run);
    expectPlaysAndQuits(run.path(), GetParam().expectedOut);
}

INSTANTIATE_TEST_SUITE_P(Data, PlaysOn, testing::ValuesIn(playableBreaks()),
                         [](const auto& info) { return info.param.name; });

// ---- The working folder itself.

std::map<std::string, std::uintmax_t> folderListing(const std::string& folder) {
    std::map<std::string, std::uintmax_t> listing;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        listing[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    return listing;
}

TEST_F(BrokenData, AReadOnlyWorkingFolderPlaysNormallyAndStaysUntouched) {
    BrokenRunFolder run;
    run.setWritable(false);
    const auto before = folderListing(run.path());
    expectPlaysAndQuits(run.path(), "");
    // Write permission means little to root: what the game left behind shows whether it wrote there.
    EXPECT_EQ(folderListing(run.path()), before);
}

TEST_F(BrokenData, AnEmptyWorkingFolderEndsWithTheFirstShaderMessage) {
    BrokenRunFolder run(BrokenRunFolder::Empty{});
    expectFatal(run.path(), [](const std::string& err) {
        EXPECT_EQ(err, "Failed to open Shader file with path: ./Shader/basic.vert\n");
    });
}

TEST_F(BrokenData, AWorkingFolderDeletedUnderTheGameEndsWithTheFirstShaderMessage) {
    BrokenRunFolder run;
    // The shell enters the folder, removes it and becomes the game: its working directory is gone.
    expectFatal(run.path(),
                [](const std::string& err) {
                    EXPECT_EQ(err, "Failed to open Shader file with path: ./Shader/basic.vert\n");
                },
                {"sh", "-c", "rm -rf \"$PWD\" && exec \"$0\" \"$@\"", WINDLAP_BINARY, "320", "180"});
}

} // namespace
