#pragma once
#include "support/Image.h"

#include <functional>
#include <string>

// Looks at regions of a screenshot the way a player would. Coordinates are pixels with row 0 at the top;
// regions are clipped to the image.
struct Region {
    int x0, y0, x1, y1; // x1 and y1 exclusive
};

// Pixels in the region for which the predicate holds.
int countWhere(const Image& image, Region region, const std::function<bool(Rgb)>& predicate);

// The HUD draws its texts in opaque white: fully covered text pixels are exactly (255, 255, 255).
int whitePixels(const Image& image, Region region);

// Mean of r, g and b over the region.
struct MeanColour {
    double r = 0, g = 0, b = 0;
};
MeanColour meanColour(const Image& image, Region region);
