#include "tools/assetgen/GameData.h"

#include "tools/assetgen/AircraftModel.h"
#include "tools/assetgen/AircraftPainter.h"
#include "tools/assetgen/ColladaWriter.h"
#include "tools/assetgen/FlarePainter.h"
#include "tools/assetgen/OverlayPainter.h"
#include "tools/assetgen/PickupModels.h"
#include "tools/assetgen/RingModel.h"
#include "tools/assetgen/SkyPainter.h"
#include "tools/assetgen/SoundMaker.h"
#include "tools/assetgen/TerrainModel.h"

#include <functional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace tavo::assetgen {

namespace {

using Writer = std::function<void(const std::filesystem::path&)>;

Writer model(Model (*make)()) {
    return [make](const std::filesystem::path& path) { ColladaWriter::write(make(), path); };
}

Writer sound(Sound (*make)()) {
    return [make](const std::filesystem::path& path) { saveWave(make(), path); };
}

Writer image(std::function<Image()> paint) {
    return [paint = std::move(paint)](const std::filesystem::path& path) { saveImage(paint(), path); };
}

const std::vector<std::pair<std::string, Writer>>& recipes() {
    static const std::vector<std::pair<std::string, Writer>> all = [] {
        std::vector<std::pair<std::string, Writer>> list{
            {"Models/terrain.dae", model([] { return makeTerrainModel(); })},
            {"Models/Ring.dae", model(makeRingModel)},
            {"Models/fa-18.dae", model(makeAircraftModel)},
            {"Models/boost.dae", model(makeBoostModel)},
            {"Models/hat.dae", model(makeHatModel)},
            {"Textures/fa-18-uv.png", image([] { return paintAircraftColour(1024); })},
            {"Textures/fa-18-glow.png", image([] { return paintAircraftGlow(512); })},
        };
        const char* faces[] = {"right", "left", "top", "bottom", "back", "front"};
        for (int face = 0; face < 6; ++face)
            list.emplace_back(std::string("Textures/skybox/") + faces[face] + ".jpg",
                              image([face] { return paintSkyFace(face, 512); }));
        const std::pair<const char*, FlareSprite> sprites[] = {{"bloom", FlareSprite::Bloom},
                                                               {"spike", FlareSprite::Spike},
                                                               {"halo1", FlareSprite::Halo1},
                                                               {"halo2", FlareSprite::Halo2},
                                                               {"ring", FlareSprite::Ring}};
        for (const auto& [name, sprite] : sprites)
            list.emplace_back(std::string("Textures/lensflare/") + name + ".jpg",
                              image([sprite = sprite] { return paintFlareSprite(sprite, 256); }));
        list.emplace_back("Textures/Blacka.png", image([] { return paintFadePicture(16); }));
        list.emplace_back("Textures/Prize.tif", image([] { return paintPrizePicture(512); }));
        list.emplace_back("Sounds/engine.wav", sound(makeEngineLoop));
        list.emplace_back("Sounds/ring.wav", sound(makeRingChime));
        list.emplace_back("Sounds/hat.wav", sound(makeHatChime));
        list.emplace_back("Sounds/boost.wav", sound(makeBoostWhoosh));
        list.emplace_back("Sounds/crash.wav", sound(makeCrash));
        return list;
    }();
    return all;
}

} // namespace

const std::vector<std::string>& generatedFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> names;
        for (const auto& recipe : recipes())
            names.push_back(recipe.first);
        return names;
    }();
    return files;
}

void generateGameData(const std::filesystem::path& runDir) {
    for (const auto& [relative, write] : recipes()) {
        const std::filesystem::path path = runDir / relative;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
            throw std::runtime_error("cannot make the folder " + path.parent_path().string() + ": " +
                                     error.message());
        write(path);
    }
}

} // namespace tavo::assetgen
