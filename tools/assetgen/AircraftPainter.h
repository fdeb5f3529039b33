#pragma once
#include "tools/assetgen/Image.h"

namespace tavo::assetgen {

// The aircraft's colour atlas (RGBA, opaque): navy-grey paint with panel lines, roundels, the dark canopy and
// the coloured lights, laid out as AircraftAtlas.h says. Texels between islands are black.
Image paintAircraftColour(int size);

// The glow mask over the same layout: black except what shines (the nozzle fire and the wing-tip lights).
Image paintAircraftGlow(int size);

} // namespace tavo::assetgen
