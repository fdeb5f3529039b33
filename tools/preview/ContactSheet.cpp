#include "tools/preview/ContactSheet.h"

#include <IL/il.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace tavo::preview {

namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "windlap-preview-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error(std::string("cannot make a temporary folder: ") + std::strerror(errno));
        path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    fs::path path;
};

void savePng(const Tile& tile, const fs::path& path) {
    ilInit();
    ilEnable(IL_FILE_OVERWRITE);
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    // Row 0 first is the bottom row, which is how DevIL saves memory row 0.
    const bool saved = ilTexImage(static_cast<ILuint>(tile.width), static_cast<ILuint>(tile.height), 1, 4,
                                  IL_RGBA, IL_UNSIGNED_BYTE, const_cast<std::uint8_t*>(tile.rgba.data())) &&
                       ilSaveImage(path.c_str());
    const ILenum error = ilGetError();
    ilDeleteImages(1, &image);
    if (!saved)
        throw std::runtime_error("cannot write " + path.string() + " (DevIL error " + std::to_string(error) +
                                 ")");
}

// ImageMagick expands %-escapes in captions and reads a caption starting with @ from a file.
std::string literalCaption(const std::string& text) {
    std::string caption = text.empty() || text.front() != '@' ? "" : " ";
    for (char c : text) {
        caption += c;
        if (c == '%')
            caption += '%';
    }
    return caption;
}

int run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

void writeContactSheet(const std::vector<Tile>& tiles, const SheetLayout& layout, const std::string& output) {
    const TemporaryFolder folder;
    std::vector<std::string> arguments{"montage"};
    if (!layout.font.empty())
        arguments.insert(arguments.end(), {"-font", layout.font});
    const std::string cell = std::to_string(layout.cell);
    arguments.insert(arguments.end(), {"-pointsize", "12", "-fill", "#e6e6e6", "-background", "#2a2d33"});
    arguments.insert(arguments.end(), {"-title", literalCaption(layout.title)});
    arguments.insert(arguments.end(), {"-tile", std::to_string(layout.columns) + "x"});
    arguments.insert(arguments.end(), {"-geometry", cell + "x" + cell + "+5+5"});
    // Small enough for the README as JPEG; for PNG, 85 means zlib level 8 with adaptive filtering.
    arguments.insert(arguments.end(), {"-depth", "8", "-quality", "85"});
    for (size_t i = 0; i < tiles.size(); ++i) {
        const fs::path file = folder.path / ("tile" + std::to_string(1000 + i) + ".png");
        savePng(tiles[i], file);
        arguments.insert(arguments.end(), {"-label", literalCaption(tiles[i].label), file.string()});
    }
    // Written beside its final name first, so a failure leaves no half-written sheet behind.
    const fs::path target(output);
    const fs::path partial = target.parent_path() / (".partial-" + target.filename().string());
    arguments.push_back(target.extension().empty()
                            ? partial.string()
                            : target.extension().string().substr(1) + ":" + partial.string());
    const int status = run(arguments);
    if (status == -1)
        throw std::runtime_error("cannot run ImageMagick's montage (Debian package imagemagick)");
    std::error_code error;
    if (status != 0 || !fs::is_regular_file(partial, error)) {
        fs::remove(partial, error);
        throw std::runtime_error("cannot write " + output + " (montage exit status " +
                                 std::to_string(status) + ")");
    }
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        throw std::runtime_error("cannot write " + output + ": " + error.message());
    }
}

} // namespace tavo::preview
