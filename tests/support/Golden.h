#pragma once
#include "support/Image.h"

#include <string>

// Golden files in tests/golden/ that a deterministic frame must match. Mesa's llvmpipe renders the same bytes
// on every run of one machine; the tolerance covers the last bits that differ between processors.
// WINDLAP_RENEW_GOLDEN=1 writes the new golden file instead (after an intended change). On a mismatch the
// frame and a difference image (red where a channel is off by more than the tolerance) go to
// <build>/test-shots/golden/.
struct GoldenTolerance {
    int perChannel = 0;     // largest difference of a channel that still counts as equal
    int outlierPixels = 0;  // pixels allowed beyond it
    bool posterize = false; // stored at 16 levels a channel: scene frames compress to a few kilobytes
};

// The bound read frame buffer's colour from (x0, y0) at the lower left, as a top-row-first image.
Image readFramebuffer(int x0, int y0, int w, int h);
Image shrink(const Image& image, int factor); // each pixel the mean of a factor x factor block
Image cropToContent(const Image& image);      // the smallest rectangle holding every pixel not black

void expectGolden(const std::string& name, const Image& frame, GoldenTolerance tolerance);
void expectGoldenText(const std::string& name, const std::string& text);
