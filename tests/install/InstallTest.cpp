// The game as a player installs it: the tree `cmake --install` lays under a prefix, and the Debian package's
// contents, each in a fresh temporary folder, the launcher started from another working directory.
#include "support/GameUnderTest.h"
#include "support/TestModels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace fs = std::filesystem;

namespace {

class Install : public testing::Test {
protected:
    void TearDown() override { fs::remove_all(temp); }
    static ProcessResult run(const std::vector<std::string>& command) { return runProcess(command, 240s); }

    // The launcher must start the game of the tree under prefix in its data folder, whatever the working
    // directory, hand on the arguments unchanged and the game's messages and exit status.
    void expectLauncherPlays(const fs::path& launcher, const fs::path& prefix) {
        const std::string game = fs::canonical(prefix) / "lib/games/windlap/windlap";
        fs::create_directories(temp / "elsewhere");
        const ProcessResult refused = // a blank and a wildcard arrive unchanged
            GameUnderTest({"x y*", "600"}, temp / "elsewhere", {}, launcher).waitForExit();
        EXPECT_EQ(std::tie(refused.exitStatus, refused.out, refused.err),
                  std::make_tuple(1, startupLine("x y* and 600", game),
                                  "Error: Could not parse first element: x reolution, try again!\n"));
        // The launcher replaces itself with the game, so the window belongs to the process it started.
        GameUnderTest play({"800", "600"}, temp / "elsewhere", {}, launcher);
        ASSERT_TRUE(play.waitForWindow() && play.waitForFrames()) << play.diagnostics();
        const ProcessResult end = play.quitWithEscape(); // a missing image or font would show on stderr
        EXPECT_EQ(std::tie(end.exitStatus, end.out, end.err),
                  std::make_tuple(0, startupLine("800 and 600", game), ""));
    }

    const fs::path temp = fs::canonical(makeTempFolder("windlap-install"));
};

} // namespace

TEST_F(Install, TreeUnderAnyPrefixCarriesEveryDataFolderAndPlaysThroughALink) {
    const fs::path prefix = temp / "prefix";
    const ProcessResult install = run({WINDLAP_CMAKE, "--install", WINDLAP_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitStatus, 0) << install;

    // Each file of the run folder's folders (not the binary) is installed.
    int files = 0;
    for (const fs::directory_entry& file : fs::recursive_directory_iterator(WINDLAP_RUN_DIR)) {
        const fs::path relative = fs::relative(file.path(), WINDLAP_RUN_DIR);
        if (file.is_regular_file() && relative.has_parent_path()) {
            ++files;
            const fs::path copy = prefix / "share/games/windlap" / relative;
            ASSERT_TRUE(fs::is_regular_file(copy)) << relative << " missing";
            EXPECT_EQ(fs::file_size(copy), file.file_size()) << relative;
        }
    }
    EXPECT_GT(files, 40);

    // The menu entry and metadata pass their validators without a warning; the icons have a clear background.
    const std::string icons = prefix / "share/icons/hicolor", format = "%m %wx%h %[channels] %[opaque]";
    const std::pair<std::vector<std::string>, std::string> checks[] = {
        {{"desktop-file-validate", prefix / "share/applications/windlap.desktop"}, ""},
        {{"appstreamcli", "validate", "--no-net", prefix / "share/metainfo/org.windlap.windlap.metainfo.xml"},
         "✔ Validation was successful.\n"},
        {{"identify", "-format", format, icons + "/256x256/apps/windlap.png"}, "PNG 256x256 srgba false"},
        {{"identify", "-format", format, icons + "/48x48/apps/windlap.png"}, "PNG 48x48 srgba false"}};
    for (const auto& [command, out] : checks) {
        const ProcessResult result = run(command);
        EXPECT_EQ(std::make_pair(result.exitStatus, result.out), std::make_pair(0, out)) << result;
    }

    // What the menu entry and the metadata name is installed: the command, the icon, the entry itself.
    std::string named;
    for (const char* file : {"applications/windlap.desktop", "metainfo/org.windlap.windlap.metainfo.xml"}) {
        std::ifstream text(prefix / "share" / file);
        for (std::string line; std::getline(text, line);)
            for (const auto& [key, before, after] :
                 {std::tuple{"Exec=", "games/", ""},
                  {"<binary>", "games/", ""},
                  {"Icon=", "share/icons/hicolor/48x48/apps/", ".png"},
                  {"<launchable type=\"desktop-id\">", "share/applications/", ""}})
                if (const size_t at = line.find(key); at != std::string::npos) {
                    const size_t from = at + std::strlen(key);
                    const std::string name = line.substr(from, line.find_first_of(" <", from) - from);
                    EXPECT_TRUE(fs::exists(prefix / (before + name + after))) << line;
                    named += key;
                }
    }
    EXPECT_EQ(named, "Exec=Icon=<launchable type=\"desktop-id\"><binary>");

    // A link to the launcher in another folder, the way a folder in PATH might hold it.
    fs::create_directories(temp / "bin");
    fs::create_symlink("../prefix/games/windlap", temp / "bin/windlap");
    expectLauncherPlays(temp / "bin/windlap", prefix);
}

TEST_F(Install, DebianPackageIsLintianCleanAndItsContentsPlayWhereverUnpacked) {
    const ProcessResult pack =
        run({WINDLAP_CPACK, "--config", std::string(WINDLAP_BUILD_DIR) + "/CPackConfig.cmake", "-G", "DEB",
             "-B", temp / "pack"});
    ASSERT_EQ(pack.exitStatus, 0) << pack;
    fs::path deb;
    for (const fs::directory_entry& file : fs::directory_iterator(temp / "pack"))
        if (file.path().extension() == ".deb")
            deb = file.path();
    ASSERT_FALSE(deb.empty()) << pack;

    const ProcessResult fields = run({"dpkg-deb", "--field", deb, "Package", "Section", "Depends"});
    EXPECT_NE(fields.out.find("Package: windlap\nSection: games\n"), std::string::npos) << fields;
    // Mesa's drivers by name; the game's own libraries as dpkg-shlibdeps found them.
    for (const char* dependency : {"libgl1-mesa-dri", "libglfw3 ", "libbullet", "libassimp", "libdevil"})
        EXPECT_NE(fields.out.find(dependency), std::string::npos) << dependency << " in " << fields.out;
    const ProcessResult lint = run({"lintian", "--fail-on", "error,warning", deb});
    EXPECT_EQ(lint.exitStatus, 0) << lint;

    ASSERT_EQ(run({"dpkg-deb", "-x", deb, temp / "root"}).exitStatus, 0);
    expectLauncherPlays(temp / "root/usr/games/windlap", temp / "root/usr");
}
