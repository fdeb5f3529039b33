#include "support/ScreenProbe.h"

#include <algorithm>

namespace {

Region clip(const Image& image, Region r) {
    return {std::max(0, r.x0), std::max(0, r.y0), std::min(image.width, r.x1), std::min(image.height, r.y1)};
}

} // namespace

int countWhere(const Image& image, Region region, const std::function<bool(Rgb)>& predicate) {
    const Region r = clip(image, region);
    int matches = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            matches += predicate(image.at(x, y)) ? 1 : 0;
    return matches;
}

int whitePixels(const Image& image, Region region) {
    return countWhere(image, region, [](Rgb c) { return c.r == 255 && c.g == 255 && c.b == 255; });
}

MeanColour meanColour(const Image& image, Region region) {
    const Region r = clip(image, region);
    MeanColour mean;
    const double n = std::max(1, (r.x1 - r.x0) * (r.y1 - r.y0));
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            const Rgb c = image.at(x, y);
            mean.r += c.r / n;
            mean.g += c.g / n;
            mean.b += c.b / n;
        }
    return mean;
}
