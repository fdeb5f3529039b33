// The Windows package (scripts/windows) under Wine, in a Wine prefix of the build folder: the packed
// windlap.exe is driven by real X key events like the Linux game and must behave and look like it; the
// installer installs, the installed game starts from its Start-menu folder, the uninstaller removes it.
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
// installer prompts, and no sound driver: a PC without a sound card (Wine's ALSA driver would print ALSA's
// complaints about the missing card itself). llvmpipe draws on the game's own thread: its rasterising
// threads, still running JIT code while Wine unloads the game at exit, once crashed the exit under Wine; a
// crash ends its program at once instead of waiting in a debugger.
std::vector<std::string> wine(std::vector<std::string> settings = {}) {
    settings.insert(settings.end(),
                    {"WINEPREFIX=" WINDLAP_WINE_PREFIX, "WINEDEBUG=-all", "LP_NUM_THREADS=0",
                     "WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml,winedbg.exe,winealsa.drv=d"});
    return settings;
}
// A test's Wine session, which lives on its X display: the next test, on another display, needs a new one.
struct WineSession {
    ~WineSession() {
        const ProcessResult ended =
            runProcess({"env", "WINEPREFIX=" WINDLAP_WINE_PREFIX, WINDLAP_WINESERVER, "-w"}, 60s);
        EXPECT_EQ(ended.exitStatus, 0) << ended;
    }
};
// The zip unpacked into a folder of its own; script then runs in the game's folder.
struct UnpackedPackage {
    explicit UnpackedPackage(const std::string& script = "") : folder(makeTempFolder("windlap-win")) {
        const ProcessResult unzipped =
            runProcess({"sh", "-c", "unzip -q \"$0\" && cd \"$1\" && " + script + " true",
                        WINDLAP_WINDOWS_PACKAGE ".zip", packageName},
                       60s, folder);
        EXPECT_EQ(unzipped.exitStatus, 0) << unzipped;
    }
    ~UnpackedPackage() { runProcess({"rm", "-rf", folder}, 60s); }
    std::string game() const { return folder + "/" + packageName; }
    const std::string folder;
};

// The two builds side by side (Linux, then Windows) with the same arguments, data and settings.
constexpr bool builds[] = {false, true};
GameUnderTest start(bool windows, const std::string& folder, std::vector<std::string> arguments,
                    std::vector<std::string> settings = {}) {
    if (!windows)
        return GameUnderTest(arguments, folder, settings, fs::path(folder) / "windlap");
    arguments.insert(arguments.begin(), "windlap.exe");
    return GameUnderTest(arguments, folder, wine(settings), WINDLAP_WINE);
}

// Dive into the ground, wait for the still end screen (points, prize, faded world) and open the help page.
Image endScreenWithHelp(GameUnderTest& game) {
    EXPECT_TRUE(game.waitForWindow(wineStart) && game.waitForFrames(wineStart)) << game.diagnostics();
    game.keyDown("w"); // a second nose down, as the Linux game's flight test does
    std::this_thread::sleep_for(1s);
    game.keyUp("w");
    Image last;
    const auto still = [&](const char* name) {
        return waitUntil(
            [&] {
                const Image previous = last;
                last = game.screenshot(name);
                return last.width > 0 && last.rgb == previous.rgb;
            },
            60s);
    };
    EXPECT_TRUE(still("end")) << "no still end screen";
    game.tap("F1");
    EXPECT_TRUE(waitUntil([&] { return game.screenshot("help").rgb != last.rgb; }, 10s)) << "no help page";
    EXPECT_TRUE(still("help")) << "the help page does not hold still";
    return last;
}

// Both draw with Mesa's llvmpipe from the same data and shaders, with the same libraries but DevIL (Debian's
// 1.7.8 on Linux), so the frames may differ only where a library rounds differently (image decoding, glyph
// edges, the glow's blur over them): a few levels on a few pixels. Measured so far they are identical. A
// missing texture, glyph, pass or overlay changes whole regions by far more.
TEST(WindowsPackage, FliesIntoTheGroundLikeLinuxAndEndsOnEscapeWithoutASoundDevice) {
    const WineSession session;
    const UnpackedPackage package;
    std::vector<Image> frames;
    for (const bool windows : builds) {
        const std::string name = windows ? "Windows" : "Linux";
        SCOPED_TRACE(name);
        GameUnderTest game = start(windows, windows ? package.game() : WINDLAP_RUN_DIR, {"800", "600"},
                                   {"-u", "ALSOFT_DRIVERS"});
        frames.push_back(endScreenWithHelp(game));
        frames.back().save(std::string(WINDLAP_RUN_DIR) + "/../test-shots/wine-" + name + ".png");
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
    EXPECT_LT(mean, 0.5);
    EXPECT_LT(off, 0.002);
}

// The console's side: the start-up line, the exact message after "PAUSE" (which returns on standard input
// /dev/null), the status; the null sound driver plays silently. Windows' C runtime ends lines with CR LF.
TEST(WindowsPackage, PrintsAndEndsLikeLinux) {
    const WineSession session;
    const UnpackedPackage package;
    struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string out, err;
    };
    std::string program = "Z:" + package.game() + "/windlap.exe"; // on Wine's drive Z:
    std::replace(program.begin(), program.end(), '/', '\\');
    const std::string start = "You are running '" + program + "' with the arguments:";
    const Row rows[] = {
        {{"800", "600"}, 0, start + "800 and 600\r\n", ""},
        {{"abc", "600"},
         1,
         start + "abc and 600\r\nPress any key to continue... ",
         "Error: Could not parse first element: x reolution, try again!\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments[0]);
        std::vector<std::string> command{"-c", "exec \"$0\" \"$@\" </dev/null", WINDLAP_WINE, "windlap.exe"};
        command.insert(command.end(), row.arguments.begin(), row.arguments.end());
        GameUnderTest game(command, package.game(), wine({"ALSOFT_DRIVERS=null"}), "sh");
        if (row.status == 0) {
            EXPECT_TRUE(game.waitForWindow(wineStart) && game.waitForFrames(wineStart)) << game.diagnostics();
        }
        ProcessResult end = row.status == 0 ? game.quitWithEscape(wineStart) : game.waitForExit(wineStart);
        EXPECT_EQ(std::tie(end.exitStatus, end.out, end.err), std::make_tuple(row.status, row.out, row.err))
            << end;
    }
}

// A data folder missing: the same messages, the same end (status 1 at once, or play on and Escape) on both.
TEST(WindowsPackage, MissingDataFolderLikeLinux) {
    const WineSession session;
    for (const char* folder : {"Textures", "Shader"}) {
        SCOPED_TRACE(folder);
        const UnpackedPackage package(std::string("rm -r ") + folder + " && ");
        const std::string linux = makeTempFolder("windlap-linux");
        runProcess({"sh", "-c", "cp -r \"$0\"/. . && rm -r " + std::string(folder), WINDLAP_RUN_DIR}, 60s,
                   linux);
        std::vector<ProcessResult> ends;
        for (const bool windows : builds) {
            GameUnderTest game = start(windows, windows ? package.game() : linux, {"320", "180"});
            if (std::string(folder) != "Shader" && game.waitForWindow(wineStart) &&
                game.waitForFrames(wineStart))
                ends.push_back(game.quitWithEscape(wineStart));
            else
                ends.push_back(game.waitForExit(wineStart));
        }
        runProcess({"rm", "-rf", linux}, 60s);
        const auto shown = [](ProcessResult end) { // after the start-up line, with Linux line ends
            for (std::string* text : {&end.out, &end.err})
                text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
            return std::make_tuple(end.exitStatus, end.out.substr(end.out.find('\n') + 1), end.err);
        };
        EXPECT_EQ(shown(ends[0]), shown(ends[1])) << ends[0] << ends[1];
    }
}

// Silently, per user: the game in %LOCALAPPDATA%\\Programs\\Windlap and a Start-menu entry; the game starts
// as the entry says (its target, in its working folder), and the uninstaller, silent too, takes both away.
TEST(WindowsPackage, InstallsStartsFromTheStartMenuEntryAndUninstalls) {
    const WineSession session;
    const std::string user = getpwuid(getuid())->pw_name;
    const fs::path drive = fs::path(WINDLAP_WINE_PREFIX) / "drive_c";
    const fs::path installed = drive / "users" / user / "AppData/Local/Programs/Windlap";
    const fs::path menu =
        drive / "users" / user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Windlap";
    const auto run = [](const std::string& program) {
        return GameUnderTest({program, "/S"}, WINDLAP_RUN_DIR, wine(), WINDLAP_WINE).waitForExit(wineStart);
    };
    const ProcessResult setup = run(WINDLAP_WINDOWS_PACKAGE "-setup.exe");
    ASSERT_EQ(setup.exitStatus, 0) << setup;
    std::ifstream link(menu / "Windlap.lnk", std::ios::binary);
    const std::string shortcut((std::istreambuf_iterator<char>(link)), std::istreambuf_iterator<char>());
    // The target as a path, the working folder as a UTF-16 string with its length in front (Wine counts the
    // terminating zero).
    const std::string folder = "C:\\users\\" + user + "\\AppData\\Local\\Programs\\Windlap";
    std::string wide;
    for (char c : folder)
        wide += {c, '\0'};
    const size_t at = shortcut.find(wide);
    EXPECT_NE(shortcut.find(folder + "\\windlap.exe"), std::string::npos) << "the entry's target";
    EXPECT_TRUE(at != std::string::npos && at >= 2 && shortcut[at - 1] == '\0' &&
                static_cast<unsigned char>(shortcut[at - 2]) - folder.size() <= 1)
        << "the entry's working folder";
    {
        GameUnderTest game({folder + "\\windlap.exe"}, installed, wine({"ALSOFT_DRIVERS=null"}),
                           WINDLAP_WINE);
        ASSERT_TRUE(game.waitForWindow(wineStart) && game.waitForFrames(wineStart)) << game.diagnostics();
        const ProcessResult end = game.quitWithEscape(wineStart);
        EXPECT_EQ(std::tie(end.exitStatus, end.err), std::make_tuple(0, "")) << end;
    }
    const ProcessResult uninstall = run(installed / "Uninstall.exe");
    EXPECT_EQ(uninstall.exitStatus, 0) << uninstall;
    // The uninstaller goes on in a copy of itself, so it has not finished when the first one returns.
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(installed) && !fs::exists(menu); }, 60s))
        << "left behind: " << runProcess({"find", installed.string(), menu.string()}, 30s).out;
}

} // namespace
