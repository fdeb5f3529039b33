#pragma once
#include "support/TestModels.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

// A private copy of the game's data folders (Shader/, Models/, Textures/, Fonts/, Sounds/) in a fresh
// temporary folder, for a test to break one thing in and start the real game there. The binary itself is not
// copied: the game reads its data relative to the working directory, not to the binary. Removed again by the
// destructor.
class BrokenRunFolder {
public:
    struct Empty {};

    BrokenRunFolder() : root(makeTempFolder("windlap-broken")) {
        namespace fs = std::filesystem;
        for (const char* folder : {"Shader", "Models", "Textures", "Fonts", "Sounds"})
            fs::copy(fs::path(WINDLAP_RUN_DIR) / folder, fs::path(root) / folder,
                     fs::copy_options::recursive);
    }
    explicit BrokenRunFolder(Empty) : root(makeTempFolder("windlap-empty")) {}

    ~BrokenRunFolder() {
        std::error_code ignored;
        setWritable(true);
        std::filesystem::remove_all(root, ignored);
    }
    BrokenRunFolder(const BrokenRunFolder&) = delete;
    BrokenRunFolder& operator=(const BrokenRunFolder&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& relative) const { return root + "/" + relative; }

    void remove(const std::string& relative) {
        if (!std::filesystem::remove(file(relative)))
            throw std::runtime_error("nothing to remove at " + relative);
    }

    void write(const std::string& relative, const std::string& text) { writeTextFile(file(relative), text); }

    std::string read(const std::string& relative) const {
        std::ifstream stream(file(relative), std::ios::binary);
        if (!stream)
            throw std::runtime_error("cannot read " + relative);
        return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }

    // Keeps the first bytes of the file only, as a copy or download that stopped half-way leaves it.
    void truncate(const std::string& relative, double keptFraction) {
        std::filesystem::resize_file(
            file(relative),
            static_cast<std::uintmax_t>(keptFraction * std::filesystem::file_size(file(relative))));
    }

    // Takes the scene node that instances the named mesh out of a COLLADA model; a geometry no node
    // instances is not imported, so the model then lacks exactly that mesh. The generator writes each node
    // on its own line.
    void dropMesh(const std::string& model, const std::string& meshName) {
        const std::string text = read(model);
        const std::string opening = "<node id=\"node-" + meshName + "\"";
        const size_t start = text.find(opening);
        if (start == std::string::npos || text.find(opening, start + 1) != std::string::npos)
            throw std::runtime_error(model + " has no single node for the mesh " + meshName);
        const size_t lineStart = text.rfind('\n', start) + 1;
        const size_t lineEnd = text.find('\n', start) + 1;
        write(model, text.substr(0, lineStart) + text.substr(lineEnd));
    }

    // Takes write permission from (or gives it back to) the folder and everything in it.
    void setWritable(bool writable) {
        namespace fs = std::filesystem;
        const auto options = writable ? fs::perm_options::add : fs::perm_options::remove;
        const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root, ignored))
            fs::permissions(entry.path(), write, options, ignored);
        fs::permissions(root, write, options, ignored);
    }

private:
    std::string root;
};
