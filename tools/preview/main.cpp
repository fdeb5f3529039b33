// preview: one contact sheet of the game's data, so a person can look at every asset at once. Every model is
// drawn with the game's own classes and lit programs, every image under Textures/ is shown as the game
// uploads it, each captioned with its file or mesh name.
//
//   cd <build>/run && ./preview <out.png>
//
// Needs an X display (any, Xvfb will do) for a hidden OpenGL 4.3 core window, and ImageMagick's montage.
#include "tools/preview/ContactSheet.h"
#include "tools/preview/ModelTiles.h"
#include "tools/preview/OffscreenTarget.h"
#include "tools/preview/TextureTiles.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace {

// Models render at twice the cell size: montage's downscale smooths their edges.
constexpr int renderSize = 512;

struct Window {
    Window() {
        if (!glfwInit())
            throw std::runtime_error("cannot start GLFW (is DISPLAY set to a running X server?)");
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        window = glfwCreateWindow(64, 64, "Windlap preview", nullptr, nullptr);
        if (!window) {
            glfwTerminate();
            throw std::runtime_error("cannot open an OpenGL 4.3 core window");
        }
        glfwMakeContextCurrent(window);
        glewExperimental = GL_TRUE;
        if (glewInit() != GLEW_OK) {
            glfwDestroyWindow(window);
            glfwTerminate();
            throw std::runtime_error("cannot load the OpenGL functions (GLEW)");
        }
    }
    ~Window() {
        glfwDestroyWindow(window);
        glfwTerminate();
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    GLFWwindow* window = nullptr;
};

// Fails before minutes of rendering rather than after.
void requireWritableFolder(const std::string& output) {
    const std::filesystem::path parent = std::filesystem::path(output).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    if (access(folder.c_str(), W_OK) != 0)
        throw std::runtime_error("cannot write " + output + ": the folder " + folder +
                                 " is missing or read-only");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: preview OUT.png\n"
                     "Run from the run folder (Shader/, Models/, Textures/ beside it) under an X display; "
                     "writes a\n"
                     "contact sheet of every model and image of the game to OUT.png (or .jpg).\n";
        return 1;
    }
    const std::string output = argv[1];
    const auto start = std::chrono::steady_clock::now();
    try {
        requireWritableFolder(output);
        std::vector<tavo::preview::Tile> tiles;
        {
            const Window window;
            tavo::preview::OffscreenTarget target(renderSize);
            tiles = tavo::preview::renderModelTiles(target);
            for (auto& tile : tavo::preview::textureTiles("./Textures"))
                tiles.push_back(std::move(tile));
        }
        tavo::preview::SheetLayout layout;
        layout.title = "Windlap game data";
        if (access("./Fonts/arial.ttf", R_OK) == 0)
            layout.font = "./Fonts/arial.ttf";
        tavo::preview::writeContactSheet(tiles, layout, output);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::cout << "preview: " << tiles.size() << " pictures in " << output << " (" << seconds.count()
                  << " s)" << std::endl;
    } catch (const std::exception& error) {
        std::cerr << "preview: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
