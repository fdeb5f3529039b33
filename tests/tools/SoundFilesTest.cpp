// The generated sounds as the game reads them: valid WAV files, short, without a click at either end, the
// engine's loop without a seam, the whole folder small. (That the generator writes the same bytes on every
// run is checked with the other files in AssetgenTest.)
#include "app/WaveFile.h"
#include "support/TestModels.h"
#include "tools/assetgen/GameData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

TEST(SoundFiles, AreShortMonoWavesThatStartAndEndQuietlyAndTheEngineLoopsWithoutASeam) {
    std::uintmax_t folderBytes = 0;
    int sounds = 0;
    for (const std::string& name : tavo::assetgen::generatedFiles()) {
        if (name.rfind("Sounds/", 0) != 0)
            continue;
        SCOPED_TRACE(name);
        ++sounds;
        const std::string path = std::string(WINDLAP_RUN_DIR) + "/" + name;
        folderBytes += std::filesystem::file_size(path);
        const auto wave = readWave(path);
        ASSERT_TRUE(wave) << "not a mono 16-bit WAV";
        EXPECT_TRUE(wave->rate == 22050 || wave->rate == 44100) << wave->rate;
        const auto& x = wave->samples;
        const double seconds = static_cast<double>(x.size()) / wave->rate;
        EXPECT_GE(seconds, 0.3);
        EXPECT_LE(seconds, 2.0);
        int peak = 0, largestStep = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            peak = std::max(peak, std::abs(int(x[i])));
            if (i > 0)
                largestStep = std::max(largestStep, std::abs(x[i] - x[i - 1]));
        }
        EXPECT_GT(peak, 32767 / 4) << "nearly silent";
        EXPECT_LT(peak, 32767 * 9 / 10) << "too close to full scale to mix";
        if (name == "Sounds/engine.wav") {
            // Played in a loop, the last sample runs into the first: that step, and its change of slope,
            // must look like any other.
            const size_t n = x.size();
            EXPECT_LE(std::abs(x[0] - x[n - 1]), largestStep);
            const int seamCurve = std::abs((x[0] - x[n - 1]) - (x[n - 1] - x[n - 2]));
            int largestCurve = 0;
            for (size_t i = 2; i < n; ++i)
                largestCurve = std::max(largestCurve, std::abs((x[i] - x[i - 1]) - (x[i - 1] - x[i - 2])));
            EXPECT_LE(seamCurve, largestCurve);
        } else {
            // A one-shot starts and ends at silence.
            EXPECT_LT(std::abs(int(x.front())), 100);
            EXPECT_LT(std::abs(int(x.back())), 100);
        }
    }
    EXPECT_EQ(sounds, 5);
    EXPECT_LT(folderBytes, 1000000u);
}

} // namespace
