// assetgen: writes the game's models, images and sounds into a run folder. The build runs it for every build
// folder (target "gamedata"); it can also be run by hand to refresh a folder.
#include "tools/assetgen/GameData.h"
#include "tools/assetgen/IconPainter.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    // assetgen --icons ICON_FOLDER: the menu icons for the installed game instead (target "icons").
    if (argc == 3 && std::string(argv[1]) == "--icons") {
        try {
            tavo::assetgen::writeIcons(argv[2]);
        } catch (const std::exception& error) {
            std::cerr << "assetgen: " << error.what() << std::endl;
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::cerr << "usage: assetgen RUN_FOLDER\n"
                     "Writes Models/, Textures/ and Sounds/ of the game under RUN_FOLDER.\n";
        return 2;
    }
    try {
        tavo::assetgen::generateGameData(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "assetgen: " << error.what() << std::endl;
        return 1;
    }
    std::cout << "assetgen: " << tavo::assetgen::generatedFiles().size() << " files written under " << argv[1]
              << std::endl;
    return 0;
}
