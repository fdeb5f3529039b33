// The real game started on deliberately broken copies of its data folders. Whatever is broken, the game
// either plays (and ends with status 0 on Escape, saying nothing on standard error) or ends at once with its
// exact message and status 1, without waiting for a key: never a crash, a hang or a sanitizer report.
#include "robust/BrokenRunFolder.h"
#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <cctype>
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

const std::vector<std::pair<std::string, std::string>> models{{"terrain", "Models/terrain.dae"},
                                                              {"Ring", "Models/Ring.dae"},
                                                              {"fa18", "Models/fa-18.dae"},
                                                              {"boost", "Models/boost.dae"},
                                                              {"hat", "Models/hat.dae"}};

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

// Every image, per object that loads it. Those loaded through the game's texture loader print DevIL's
// "could not open" number; the sky box loads its faces itself and skips a missing one silently.
struct ImageGroup {
    std::vector<std::string> paths;
    bool reported;
};
const std::vector<ImageGroup> images{
    {{"Textures/fa-18-uv.png", "Textures/fa-18-glow.png"}, true},
    {{"Textures/skybox/right.jpg", "Textures/skybox/left.jpg", "Textures/skybox/top.jpg",
      "Textures/skybox/bottom.jpg", "Textures/skybox/back.jpg", "Textures/skybox/front.jpg"},
     false},
    {{"Textures/lensflare/bloom.jpg", "Textures/lensflare/spike.jpg", "Textures/lensflare/halo1.jpg",
      "Textures/lensflare/halo2.jpg", "Textures/lensflare/ring.jpg"},
     true},
    {{"Textures/Blacka.png", "Textures/Prize.tif"}, true}};

std::string testName(std::string text) {
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return text;
}

std::vector<PlayableBreak> brokenModels() {
    std::vector<PlayableBreak> cases;
    for (const auto& [name, path] : models) {
        cases.push_back({"Missing_" + name, [path = path](BrokenRunFolder& run) { run.remove(path); }, ""});
    }
    // A file cut short and one that is no model fail the import as a missing one does: once each.
    cases.push_back(
        {"Truncated_terrain", [](BrokenRunFolder& run) { run.truncate("Models/terrain.dae", 0.5); }, ""});
    cases.push_back({"NotCollada_fa18",
                     [](BrokenRunFolder& run) {
                         run.write("Models/fa-18.dae", "This is not a model.\n\x01\x02\xff\n<COLLADA><node");
                     },
                     ""});
    // Well-formed XML whose triangles name corners the vertex arrays do not have.
    cases.push_back({"IndexOutOfRange_terrain",
                     [](BrokenRunFolder& run) {
                         std::string text = run.read("Models/terrain.dae");
                         const size_t list = text.find("<p>");
                         if (list == std::string::npos)
                             throw std::runtime_error("terrain.dae has no triangle list");
                         text.insert(list + 3, "99999999 ");
                         run.write("Models/terrain.dae", text);
                     },
                     ""});
    // Each model lacks one of its named meshes: run i takes the i-th name out of every model that has one.
    // The models belong to different objects, so one run serves one case of each; every name is left out
    // once.
    for (size_t i = 0; i < 9; ++i) {
        std::string name = "Lacking";
        std::vector<std::pair<std::string, std::string>> drops;
        for (const auto& [model, meshes] : namedMeshes)
            if (i < meshes.size()) {
                drops.push_back({model, meshes[i]});
                name += "_" + meshes[i];
            }
        cases.push_back({name,
                         [drops](BrokenRunFolder& run) {
                             for (const auto& [model, mesh] : drops)
                                 run.dropMesh(model, mesh);
                         },
                         ""});
    }
    cases.push_back({"TerrainOfTheCentrePieceAlone",
                     [](BrokenRunFolder& run) {
                         for (const char* piece :
                              {"Grid_right", "Grid_bottomright", "Grid_bottomleft", "Grid_topright",
                               "Grid_topleft", "Grid_top", "Grid_bottom", "Grid_left"})
                             run.dropMesh("Models/terrain.dae", piece);
                     },
                     ""});
    cases.push_back(
        {"TerrainOfTheFourCornersAlone",
         [](BrokenRunFolder& run) {
             for (const char* piece : {"Grid_right", "Grid_top", "Grid_bottom", "Grid", "Grid_left"})
                 run.dropMesh("Models/terrain.dae", piece);
         },
         ""});
    return cases;
}

// Run i removes the i-th image of every object that loads images; every image is missing once.
std::vector<PlayableBreak> missingImagesAndFont() {
    std::vector<PlayableBreak> cases;
    for (size_t i = 0; i < 6; ++i) {
        std::string name = "Missing";
        std::vector<std::string> paths;
        std::string out;
        for (const ImageGroup& group : images)
            if (i < group.paths.size()) {
                paths.push_back(group.paths[i]);
                name += "_" + testName(group.paths[i].substr(9));
                if (group.reported)
                    out += "1290\n";
            }
        cases.push_back({name,
                         [paths](BrokenRunFolder& run) {
                             for (const std::string& path : paths)
                                 run.remove(path);
                         },
                         out});
    }
    cases.push_back({"Missing_font", [](BrokenRunFolder& run) { run.remove("Fonts/arial.ttf"); },
                     "ERROR::FREETYPE: Failed to load font\n"});
    return cases;
}

// OpenAL Soft's configuration for a run, laid in its folder.
std::function<void(BrokenRunFolder&)> soundDevice(const std::string& config) {
    return [config](BrokenRunFolder& run) { run.write("alsoft.conf", config); };
}
// A working device that records into nothing, so the sounds are really loaded and played.
const std::string recordingDevice = "[general]\ndrivers=wave\n[wave]\nfile=/dev/null\n";
const std::vector<std::string> sounds{"Sounds/engine.wav", "Sounds/ring.wav", "Sounds/hat.wav",
                                      "Sounds/boost.wav", "Sounds/crash.wav"};

// Every sound broken alike (each one i-th of the list), played on the recording device.
std::function<void(BrokenRunFolder&)>
everySound(std::function<void(BrokenRunFolder&, const std::string&, size_t)> breakOne) {
    return [breakOne](BrokenRunFolder& run) {
        soundDevice(recordingDevice)(run);
        for (size_t i = 0; i < sounds.size(); ++i)
            breakOne(run, sounds[i], i);
    };
}

// Broken sound data and sound devices that fail: the game plays on silently and prints nothing.
std::vector<PlayableBreak> brokenSound() {
    return {
        {"Missing_sounds",
         everySound([](BrokenRunFolder& run, const std::string& path, size_t) { run.remove(path); }), ""},
        // Each sound is cut at another place: inside the header, in the format, in the samples.
        {"Truncated_sounds", everySound([](BrokenRunFolder& run, const std::string& path, size_t i) {
             run.truncate(path, std::vector<double>{0.5, 0.0005, 0.9, 0.001, 0.1}[i]);
         }),
         ""},
        {"NotWave_sounds", everySound([](BrokenRunFolder& run, const std::string& path, size_t) {
             run.write(path, "RIFF\x10\0\0\0WAVEfmt \xff\xff\xff\x7f not a sound");
         }),
         ""},
        // The ALSA library prints its own lines for a device it cannot find.
        {"SoundDeviceNotFound",
         soundDevice("[general]\ndrivers=alsa\n[alsa]\ndevice=windlap-no-such-device\n"), ""},
        // OpenAL Soft opens no device and logs why.
        {"SoundDeviceFailsToOpen",
         soundDevice("[general]\ndrivers=wave\n[wave]\nfile=/nonexistent-folder/sound.wav\n"), ""},
        {"NoSoundBackend", soundDevice("[general]\ndrivers=no-such-backend\n"), ""},
    };
}

class PlaysOn : public BrokenData, public testing::WithParamInterface<PlayableBreak> {};

TEST_P(PlaysOn, AndQuitsOnEscape) {
    BrokenRunFolder run;
    GetParam().breakIt(run);
    expectPlaysAndQuits(run.path(), GetParam().expectedOut);
}

INSTANTIATE_TEST_SUITE_P(Models, PlaysOn, testing::ValuesIn(brokenModels()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Images, PlaysOn, testing::ValuesIn(missingImagesAndFont()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Sound, PlaysOn, testing::ValuesIn(brokenSound()),
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
