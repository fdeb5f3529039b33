#pragma once
#include "support/Image.h"

#include <string>
#include <vector>

// Golden images: small PNGs in tests/golden/ that a deterministic frame must match. Mesa's llvmpipe renders
// the same bytes on every run of one machine; tolerance covers the last bits that differ between processors.
// WINDLAP_RENEW_GOLDEN=1 writes the frame as the new golden image instead (after an intended change). On a
// mismatch the frame and a difference image (red where a channel is off by more than the tolerance) go to
// <build>/test-shots/golden/.
struct GoldenTolerance {
    int perChannel = 0;    // largest difference of a channel that still counts as equal
    int outlierPixels = 0; // pixels allowed beyond it
};

// The bound read frame buffer's colour, x0..x0+w, y0..y0+h from the lower left, as a top-row-first image.
Image readFramebuffer(int x0, int y0, int w, int h);

void expectGolden(const std::string& name, const Image& frame, GoldenTolerance tolerance);
