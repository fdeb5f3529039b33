// The game as a player installs it: the tree that `cmake --install` lays under a prefix, and the contents of
// the Debian package. Each case lays its tree in a fresh temporary folder from this build folder and starts
// the installed launcher from another working directory, on an X server of its own.
#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class Install : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/windlap-install-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        temp = fs::canonical(pattern);
        fs::create_directories(temp / "elsewhere");
    }
    void TearDown() override { fs::remove_all(temp); }
    static ProcessResult run(const std::vector<std::string>& command) { return runProcess(command, 240s); }

    // The launcher at `launcher` must start the game of the tree under `prefix` in the data folder, whatever
    // the working directory, with the arguments as given, and hand on its messages and exit status.
    void expectLauncherPlays(const fs::path& launcher, const fs::path& prefix) {
        ProcessOptions options;
        options.game = launcher;
        options.workingDirectory = temp / "elsewhere";
        const std::string game = (fs::canonical(prefix) / "lib/games/windlap/windlap").string();

        // A blank and a wildcard in an argument arrive unchanged: the start-up line shows the first two.
        ProcessResult refused = runGame({"x y*", "600"}, 60s, options);
        EXPECT_EQ(
            std::tie(refused.exitStatus, refused.out, refused.err),
            std::make_tuple(1, "You are running '" + game + "' with the arguments:x y* and 600\n",
                            std::string("Error: Could not parse first element: x reolution, try again!\n")));

        // The launcher replaces itself with the game, so the window belongs to the process it started.
        GameUnderTest play({"800", "600"}, options);
        ASSERT_TRUE(play.waitForWindow()) << play.diagnostics();
        ASSERT_TRUE(waitUntil(
            [&] {
                Image shot = play.screenshot("flight");
                return shot.width > 0 && shot.count(shot.at(0, 0)) < shot.width * shot.height;
            },
            60s))
            << "the window stayed one colour: " << play.diagnostics();
        std::this_thread::sleep_for(2s);
        EXPECT_TRUE(play.running()) << play.diagnostics();
        ProcessResult end = play.quitWithEscape();
        // An image or the font that is missing from the data folder would be reported here.
        EXPECT_EQ(std::tie(end.exitStatus, end.out, end.err),
                  std::make_tuple(0, "You are running '" + game + "' with the arguments:800 and 600\n",
                                  std::string()));
    }

    fs::path temp;
};

} // namespace

TEST_F(Install, TreeUnderAnyPrefixCarriesEveryDataFolderAndPlaysThroughALink) {
    const fs::path prefix = temp / "prefix";
    ProcessResult install = run({WINDLAP_CMAKE, "--install", WINDLAP_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitStatus, 0) << install;

    // Every folder of the run folder holds data the game reads; each is installed file for file.
    const fs::path data = prefix / "share/games/windlap";
    int files = 0;
    for (const fs::directory_entry& file : fs::recursive_directory_iterator(WINDLAP_RUN_DIR)) {
        const fs::path relative = fs::relative(file.path(), WINDLAP_RUN_DIR);
        if (file.is_regular_file() && relative.has_parent_path()) { // the folders' files, not the binary's
            ++files;
            ASSERT_TRUE(fs::is_regular_file(data / relative)) << relative << " missing";
            EXPECT_EQ(fs::file_size(data / relative), file.file_size()) << relative;
        }
    }
    EXPECT_GT(files, 40);

    // The menu entry and the metadata pass their validators without a warning; the icons are PNGs of the two
    // sizes with a clear background.
    const std::string icons = prefix / "share/icons/hicolor", format = "%m %wx%h %[channels] %[opaque]";
    const std::pair<std::vector<std::string>, std::string> checks[] = {
        {{"desktop-file-validate", prefix / "share/applications/windlap.desktop"}, ""},
        {{"appstreamcli", "validate", "--no-net", prefix / "share/metainfo/org.windlap.windlap.metainfo.xml"},
         "✔ Validation was successful.\n"},
        {{"identify", "-format", format, icons + "/256x256/apps/windlap.png"}, "PNG 256x256 srgba false"},
        {{"identify", "-format", format, icons + "/48x48/apps/windlap.png"}, "PNG 48x48 srgba false"}};
    for (const auto& [command, out] : checks) {
        ProcessResult result = run(command);
        EXPECT_EQ(std::make_pair(result.exitStatus, result.out), std::make_pair(0, out)) << result;
    }

    // A link to the launcher in another folder, the way a folder in PATH might hold it.
    fs::create_directories(temp / "bin");
    fs::create_symlink("../prefix/games/windlap", temp / "bin/windlap");
    expectLauncherPlays(temp / "bin/windlap", prefix);
}

TEST_F(Install, DebianPackageIsLintianCleanAndItsContentsPlayWhereverUnpacked) {
    ProcessResult pack =
        run({WINDLAP_CPACK, "--config", std::string(WINDLAP_BUILD_DIR) + "/CPackConfig.cmake", "-G", "DEB",
             "-B", temp / "pack"});
    ASSERT_EQ(pack.exitStatus, 0) << pack;
    fs::path deb;
    for (const fs::directory_entry& file : fs::directory_iterator(temp / "pack"))
        if (file.path().extension() == ".deb")
            deb = file.path();
    ASSERT_FALSE(deb.empty()) << pack;

    ProcessResult fields = run({"dpkg-deb", "--field", deb, "Package", "Section", "Depends"});
    ASSERT_EQ(fields.exitStatus, 0) << fields;
    EXPECT_NE(fields.out.find("Package: windlap\nSection: games\n"), std::string::npos) << fields.out;
    // Mesa's drivers by name; the game's own libraries as dpkg-shlibdeps found them.
    for (const char* dependency : {"libgl1-mesa-dri", "libglfw3 ", "libbullet", "libassimp", "libdevil"})
        EXPECT_NE(fields.out.find(dependency), std::string::npos) << dependency << " in " << fields.out;

    ProcessResult lint = run({"lintian", "--fail-on", "error,warning", deb});
    EXPECT_EQ(lint.exitStatus, 0) << lint;

    const fs::path root = temp / "root";
    ProcessResult unpack = run({"dpkg-deb", "-x", deb, root});
    ASSERT_EQ(unpack.exitStatus, 0) << unpack;
    expectLauncherPlays(root / "usr/games/windlap", root / "usr");
}
