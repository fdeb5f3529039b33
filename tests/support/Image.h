#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// An 8-bit RGB picture as a person sees it: row 0 is the top row.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;

    Rgb at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    int count(Rgb colour) const; // pixels of exactly this colour
    // Through DevIL; an empty image (width 0) when the file cannot be read.
    static Image load(const std::string& path);
    // As a PNG, grey: of the red channel alone.
    bool save(const std::string& path, bool grey = false) const;
};
