#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
};

// An 8-bit RGB picture as a person sees it: row 0 is the top row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    Rgb at(int x, int y) const;
    // How many pixels have exactly this colour.
    int count(Rgb colour) const;

    // Reads an image file through DevIL; an empty image (width 0) when it cannot be read.
    static Image load(const std::string& path);
};

std::ostream& operator<<(std::ostream& stream, const Rgb& colour);
