// The real game on deliberately broken copies of its data folders: it either plays (status 0 on Escape,
// nothing on standard error, the folder untouched) or ends at once with its exact message and status 1,
// never a crash, a hang or a wait for a key.
#include "support/GameUnderTest.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

namespace {

const std::string smallStart = startupLine("320 and 180");
constexpr auto noHang = 120s; // start-up with every model loaded, a sanitizer build included

// A folder of its own that a shell script fills (keep FILE N: the first N/10000 of the file, as a copy that
// stopped part-way leaves it).
struct RunFolder {
    explicit RunFolder(const std::string& script) : path(makeTempFolder("windlap-broken")) {
        const ProcessResult made = runProcess(
            {"sh", "-c", "set -e\nkeep() { truncate -s $(($(stat -c %s $1) * $2 / 10000)) $1; }\n" + script},
            60s, path);
        EXPECT_EQ(made.exitStatus, 0) << made;
    }
    ~RunFolder() { runProcess({"sh", "-c", "chmod -R u+w \"$0\"; rm -rf \"$0\"", path}, 60s); }
    std::string listing() const { return runProcess({"ls", "-lR"}, 30s, path).out; }
    const std::string path;
};

const std::string copyData =
    "(cd " WINDLAP_RUN_DIR " && cp -r Shader Models Textures Fonts Sounds \"$OLDPWD\")\n";

// A geometry that no node instances is not imported; the generator writes each node on its own line.
std::string dropMeshes(const std::string& model, const std::vector<std::string>& meshes, size_t first = 0,
                       size_t step = 1) {
    std::string script;
    for (size_t i = first; i < meshes.size(); i += step)
        script += "grep -q 'node-" + meshes[i] + "\"' " + model + "\nsed -i '/<node id=\"node-" + meshes[i] +
                  "\"/d' " + model + "\n";
    return script;
}
const std::vector<std::string> terrain({"Grid_right", "Grid_bottomright", "Grid_bottomleft", "Grid_topright",
                                        "Grid_topleft", "Grid_top", "Grid_bottom", "Grid", "Grid_left"});
// Every mesh the game looks up by name, of the models other than the terrain, left out every other one.
std::string lackMeshes(size_t parity) {
    return dropMeshes("Models/fa-18.dae",
                      {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right", "topWing_left",
                       "topWing_right", "hat", "window"},
                      parity, 2) +
           dropMeshes("Models/boost.dae", {"can", "can_low", "effect"}, parity, 2) +
           dropMeshes("Models/hat.dae", {"hat", "hat_low"}, parity, 2);
}

// Each break turns off things of its own, so that several share one run.
struct PlayableBreak {
    std::string name, soundConfig, script, expectedOut; // out after the start-up line
    // In test lists by name, not as the bytes of the row.
    friend void PrintTo(const PlayableBreak& row, std::ostream* stream) { *stream << row.name; }
};
const PlayableBreak playableBreaks[] = {
    {"MissingModels_SoundDeviceFailsToOpen", "drivers=wave\n[wave]\nfile=/nonexistent-folder/sound.wav",
     "cd Models && rm terrain.dae Ring.dae fa-18.dae boost.dae hat.dae", ""},
    // A terrain of well-formed XML whose triangles name corners the vertex arrays do not have.
    {"NotAModel_TruncatedModel_IndexOutOfRange_NoSoundBackend", "drivers=no-such-backend",
     "printf 'This is not a model.\\n\\001\\002\\377\\n<COLLADA><node' > Models/fa-18.dae\n"
     "keep Models/Ring.dae 5000\nsed -i '0,/<p>/s/<p>/<p>99999999 /' Models/terrain.dae",
     ""},
    {"LackingEvenMeshes_ReadOnlyFolder", "",
     lackMeshes(0) + dropMeshes("Models/terrain.dae", terrain, 0, 2) + "chmod -R a-w .", ""},
    {"LackingOddMeshes_TerrainCentreAlone", "",
     lackMeshes(1) + dropMeshes("Models/terrain.dae",
                                {"Grid_right", "Grid_bottomright", "Grid_bottomleft", "Grid_topright",
                                 "Grid_topleft", "Grid_top", "Grid_bottom", "Grid_left"}),
     ""},
    // DevIL's "could not open" number for each image of the texture loader; the sky box skips a missing face
    // silently. The ALSA library prints its own lines for a device it cannot find.
    {"MissingImages_TerrainCornersAlone_SoundDeviceNotFound",
     "drivers=alsa\n[alsa]\ndevice=windlap-no-such-device",
     dropMeshes("Models/terrain.dae", {"Grid_right", "Grid_top", "Grid_bottom", "Grid", "Grid_left"}) +
         "cd Textures && rm fa-18-uv.png fa-18-glow.png Blacka.png Prize.tif\n"
         "cd lensflare && rm bloom.jpg spike.jpg halo1.jpg halo2.jpg ring.jpg && cd ..\n"
         "cd skybox && rm right.jpg left.jpg top.jpg bottom.jpg back.jpg front.jpg",
     "1290\n1290\n1290\n1290\n1290\n1290\n1290\n1290\n1290\n"},
    // Sounds broken in every way (missing, not a WAV, cut in the header, the format and the samples).
    {"MissingFont_BrokenSounds", "drivers=wave\n[wave]\nfile=/dev/null",
     "rm Fonts/arial.ttf Sounds/engine.wav\n"
     "printf 'RIFF\\020\\000\\000\\000WAVEfmt \\377\\377\\377\\177 not a sound' > Sounds/ring.wav\n"
     "keep Sounds/hat.wav 5\nkeep Sounds/boost.wav 5000\nkeep Sounds/crash.wav 9000",
     "ERROR::FREETYPE: Failed to load font\n"},
};

class PlaysOn : public testing::TestWithParam<PlayableBreak> {};

// A few seconds of play with keys held (climb, roll, boost with its zoom, the help and frame time texts), so
// that the world update, every pass and the HUD run on the broken data.
TEST_P(PlaysOn, AndQuitsOnEscape) {
    const PlayableBreak& row = GetParam();
    const RunFolder run(copyData + "printf '[general]\\n" + row.soundConfig + "\\n' > alsoft.conf\n" +
                        row.script);
    const std::string before = run.listing();
    GameUnderTest game(
        {"320", "180"}, run.path,
        {"-u", "ALSOFT_DRIVERS", "-u", "ALSOFT_LOGLEVEL", "ALSOFT_CONF=" + run.path + "/alsoft.conf"});
    ASSERT_TRUE(game.waitForWindow(noHang)) << game.diagnostics();
    for (const char* key : {"s", "a", "Shift_L", "F1", "F2"})
        game.keyDown(key);
    ASSERT_TRUE(game.waitForFrames(noHang)) << "no frames presented: " << game.diagnostics();
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(game.waitForFrames(noHang)) << "frames stopped: " << game.diagnostics();
    const ProcessResult end = game.quitWithEscape(noHang);
    EXPECT_EQ(std::tie(end.exitStatus, end.err, end.out),
              std::make_tuple(0, "", smallStart + row.expectedOut))
        << end;
    // Write permission means little to root: what is left behind shows whether the game wrote there.
    EXPECT_EQ(run.listing(), before);
}

INSTANTIATE_TEST_SUITE_P(Data, PlaysOn, testing::ValuesIn(playableBreaks),
                         [](const auto& info) { return info.param.name; });

// An empty working folder, and one the shell enters, removes and then becomes the game in.
TEST(BrokenFolder, EndsWithTheFirstShaderMessage) {
    const std::string shader = "Failed to open Shader file with path: ./Shader/basic.vert\n";
    for (bool deleted : {false, true}) {
        const RunFolder run(deleted ? copyData : "");
        const std::string script = deleted ? "rm -rf \"$PWD\" && exec \"$0\" \"$@\"" : "exec \"$0\" \"$@\"";
        GameUnderTest game({"-c", script, WINDLAP_BINARY, "320", "180"}, run.path, {}, "sh");
        const ProcessResult end = game.waitForExit(noHang);
        EXPECT_EQ(std::tie(end.exitStatus, end.out, end.err), std::make_tuple(1, smallStart, shader)) << end;
    }
}

} // namespace
