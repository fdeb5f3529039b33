#pragma once
#include "tools/assetgen/Image.h"

namespace tavo::assetgen {

// The end-of-game fade picture: opaque black; the overlay program fades it in through its factor.
Image paintFadePicture(int size);

// The prize shown with the points: a golden trophy on a clear background (alpha 0 and RGB 0 there, so it
// looks the same with blending off and in viewers that take the alpha as premultiplied). Everything of it
// lies in the lower seven eighths, the part that stays on the screen.
Image paintPrizePicture(int size);

} // namespace tavo::assetgen
