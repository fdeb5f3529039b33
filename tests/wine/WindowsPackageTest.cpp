// The Windows package (scripts/windows) under Wine, in a prefix of the build folder: windlap.exe, driven by
// real X key events, behaves and looks like the Linux game; the installer and the uninstaller work silently.
#include "support/GameUnderTest.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <pwd.h>
#include <thread>
#include <tuple>

namespace {

namespace fs = std::filesystem;
const std::string packageName = fs::path(WINDLAP_WINDOWS_PACKAGE).filename();
constexpr auto wineStart = 120s; // a first start in a fresh prefix, on a busy machine

// Wine quiet, its menu builder off (it would write desktop entries into the home folder), no Mono or Gecko
// prompts, no sound driver: a PC without a sound card (Wine's ALSA driver would print ALSA's complaints).
// llvmpipe draws on the game's thread: its rasterising threads, still running JIT code while Wine unloads
// the game, once crashed the exit. A crash ends its program at once instead of waiting in a debugger.
std::vector<std::string> wine(std::vector<std::string> settings = {}) {
    settings.insert(settings.end(),
                    {"WINEPREFIX=" WINDLAP_WINE_PREFIX, "WINEDEBUG=-all", "LP_NUM_THREADS=0",
                     "WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml,winedbg.exe,winealsa.drv=d"});
    return settings;
}
// Each test's Wine session lives on its X display: the next test, on another display, needs a new one.
class WindowsPackage : public testing::Test {
protected:
    void TearDown() override {
        const ProcessResult ended =
            runProcess({"env", "WINEPREFIX=" WINDLAP_WINE_PREFIX, WINDLAP_WINESERVER, "-w"}, 60s);
        EXPECT_EQ(ended.exitStatus, 0) << ended;
    }
};
// A temporary folder that script fills ($0 the zip, $1 the game's folder in it, $2 the Linux run folder).
struct Folder {
    explicit Folder(const std::string& script) : path(makeTempFolder("windlap-win")) {
        const ProcessResult made = runProcess(
            {"sh", "-c", script, WINDLAP_WINDOWS_PACKAGE ".zip", packageName, WINDLAP_RUN_DIR}, 60s, path);
        EXPECT_EQ(made.exitStatus, 0) << made;
    }
    ~Folder() { runProcess({"rm", "-rf", path}, 60s); }
    std::string game() const { return path + "/" + packageName; }
    const std::string path;
};
const std::string unzip = "unzip -q \"$0\" && cd \"$1\"";

// The two builds side by side (Linux, then Windows) with the same arguments, data and settings.
constexpr bool builds[] = {false, true};
GameUnderTest start(bool windows, const std::string& folder, std::vector<std::string> arguments,
                    std::vector<std::string> settings = {}) {
    if (!windows)
        return GameUnderTest(arguments, folder, settings, fs::path(folder) / "windlap");
    arguments.insert(arguments.begin(), "windlap.exe");
    return GameUnderTest(arguments, folder, wine(settings), WINDLAP_WINE);
}

// The console's side: the start-up line, the exact message after "PAUSE" (which returns on standard input
// /dev/null), the status; the null sound driver plays silently. Windows' C runtime ends lines with CR LF.
TEST_F(WindowsPackage, PrintsEndsAndFliesIntoTheGroundLikeLinux) {
    const Folder package(unzip);
    std::string program = "Z:" + package.game() + "/windlap.exe"; // on Wine's drive Z:
    std::replace(program.begin(), program.end(), '/', '\\');
    const std::string line = "You are running '" + program + "' with the arguments:";
    const std::tuple<std::string, int, std::string, std::string> rows[] = {
        {"800", 0, line + "800 and 600\r\n", ""},
        {"abc", 1, line + "abc and 600\r\nPress any key to continue... ",
         "Error: Could not parse first element: x reolution, try again!\r\n"}};
    for (const auto& [first, status, out, err] : rows) {
        SCOPED_TRACE(first);
        GameUnderTest game({"-c", "exec \"$0\" \"$@\" </dev/null", WINDLAP_WINE, "windlap.exe", first, "600"},
                           package.game(), wine({"ALSOFT_DRIVERS=null"}), "sh");
        EXPECT_TRUE(status != 0 || (game.waitForWindow(wineStart) && game.waitForFrames(wineStart)))
            << game.diagnostics();
        ProcessResult end = status == 0 ? game.quitWithEscape(wineStart) : game.waitForExit(wineStart);
        EXPECT_EQ(std::tie(end.exitStatus, end.out, end.err), std::make_tuple(status, out, err)) << end;
    }
    // A data folder missing: the same messages, the same end (status 1 at once, or play on and Escape).
    for (const std::string folder : {"Textures", "Shader"}) {
        SCOPED_TRACE(folder);
        const Folder lacking(unzip + " && rm -r " + folder), linux("cp -r \"$2\"/. . && rm -r " + folder);
        std::vector<ProcessResult> ends;
        for (const bool windows : builds) {
            GameUnderTest game = start(windows, windows ? lacking.game() : linux.path, {"320", "180"});
            if (folder != "Shader" && game.waitForWindow(wineStart) && game.waitForFrames(wineStart))
                ends.push_back(game.quitWithEscape(wineStart));
            else
                ends.push_back(game.waitForExit(wineStart));
        }
        const auto shown = [](ProcessResult end) { // after the start-up line, with Linux line ends
            for (std::string* text : {&end.out, &end.err})
                text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
            return std::make_tuple(end.exitStatus, end.out.substr(end.out.find('\n') + 1), end.err);
        };
        EXPECT_EQ(shown(ends[0]), shown(ends[1])) << ends[0] << ends[1];
    }

    // The flight without a sound device: a second's dive, as the Linux game's flight test does, the still
    // end screen (points, prize, faded world) and its help page. Both draw with llvmpipe from the same data,
    // shaders and libraries but DevIL (Debian's 1.7.8 on Linux), so the frames may differ only where a
    // library rounds differently (image decoding, glyph edges, the glow's blur): a few levels on a few
    // pixels, identical so far. A missing texture, glyph, pass or overlay changes whole regions by far more.
    std::vector<Image> frames;
    for (const bool windows : builds) {
        const std::string name = windows ? "Windows" : "Linux";
        SCOPED_TRACE(name);
        GameUnderTest game = start(windows, windows ? package.game() : WINDLAP_RUN_DIR, {"800", "600"},
                                   {"-u", "ALSOFT_DRIVERS"});
        EXPECT_TRUE(game.waitForWindow(wineStart) && game.waitForFrames(wineStart)) << game.diagnostics();
        game.keyDown("w");
        std::this_thread::sleep_for(1s);
        game.keyUp("w");
        Image& last = frames.emplace_back();
        // Still: the same picture three times over a second and a half. A busy machine can leave two
        // pictures a moment apart alike while the end screen still fades.
        const auto still = [&](const char* shot) {
            int same = 0;
            return waitUntil(
                [&] {
                    const Image previous = last;
                    std::this_thread::sleep_for(500ms);
                    last = game.screenshot(shot);
                    same = last.width > 0 && last.rgb == previous.rgb ? same + 1 : 0;
                    return same == 3;
                },
                60s);
        };
        EXPECT_TRUE(still("end")) << "no still end screen";
        game.tap("F1");
        EXPECT_TRUE(waitUntil([&] { return game.screenshot("help").rgb != last.rgb; }, 10s)) << "no help";
        EXPECT_TRUE(still("help")) << "the help page does not hold still";
        last.save(std::string(WINDLAP_RUN_DIR) + "/../test-shots/wine-" + name + ".png");
        const ProcessResult end = game.quitWithEscape(wineStart);
        EXPECT_EQ(std::tie(end.exitStatus, end.err), std::make_tuple(0, "")) << end;
    }
    ASSERT_EQ(frames[0].rgb.size(), frames[1].rgb.size());
    double mean = 0.0, off = 0.0; // per channel value: the mean difference, the share more than 8 levels off
    for (size_t i = 0; i < frames[0].rgb.size(); ++i) {
        const int difference = std::abs(frames[0].rgb[i] - frames[1].rgb[i]);
        mean += static_cast<double>(difference) / frames[0].rgb.size();
        off += (difference > 8) / static_cast<double>(frames[0].rgb.size());
    }
    EXPECT_TRUE(mean < 0.5 && off < 0.002) << mean << " mean, " << off << " off";
}

// Silently, per user: the game in %LOCALAPPDATA%\\Programs\\Windlap and a Start-menu entry; the game starts
// as the entry says (its target, in its working folder), and the uninstaller, silent too, takes both away.
TEST_F(WindowsPackage, InstallsStartsFromTheStartMenuEntryAndUninstalls) {
    const std::string user = getpwuid(getuid())->pw_name;
    const fs::path data = fs::path(WINDLAP_WINE_PREFIX) / "drive_c/users" / user / "AppData";
    const fs::path installed = data / "Local/Programs/Windlap";
    const fs::path menu = data / "Roaming/Microsoft/Windows/Start Menu/Programs/Windlap";
    const auto run = [](const std::string& program) {
        return GameUnderTest({program, "/S"}, WINDLAP_RUN_DIR, wine(), WINDLAP_WINE).waitForExit(wineStart);
    };
    const ProcessResult setup = run(WINDLAP_WINDOWS_PACKAGE "-setup.exe");
    ASSERT_EQ(setup.exitStatus, 0) << setup;
    std::ifstream link(menu / "Windlap.lnk", std::ios::binary);
    const std::string shortcut((std::istreambuf_iterator<char>(link)), std::istreambuf_iterator<char>());
    // The target as a path; the working folder in UTF-16 after its length (Wine counts the closing zero).
    const std::string folder = "C:\\users\\" + user + "\\AppData\\Local\\Programs\\Windlap";
    std::string wide;
    for (char c : folder)
        wide += {c, '\0'};
    const size_t at = shortcut.find(wide);
    EXPECT_NE(shortcut.find(folder + "\\windlap.exe"), std::string::npos) << "the entry's target";
    EXPECT_TRUE(at != std::string::npos && at >= 2 && shortcut[at - 1] == '\0' &&
                static_cast<unsigned char>(shortcut[at - 2]) - folder.size() <= 1)
        << "the entry's working folder";
    GameUnderTest game({folder + "\\windlap.exe"}, installed, wine({"ALSOFT_DRIVERS=null"}), WINDLAP_WINE);
    ASSERT_TRUE(game.waitForWindow(wineStart) && game.waitForFrames(wineStart)) << game.diagnostics();
    const ProcessResult end = game.quitWithEscape(wineStart);
    EXPECT_EQ(std::tie(end.exitStatus, end.err), std::make_tuple(0, "")) << end;
    const ProcessResult uninstall = run(installed / "Uninstall.exe");
    EXPECT_EQ(uninstall.exitStatus, 0) << uninstall;
    // The uninstaller goes on in a copy of itself, so it has not finished when the first one returns.
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(installed) && !fs::exists(menu); }, 60s))
        << "left behind: " << runProcess({"find", installed.string(), menu.string()}, 30s).out;
}

} // namespace
