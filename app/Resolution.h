#pragma once

// The window size asked for on the command line. Set once at start-up and never changed: the viewport, the
// projection and the HUD layout use these even when the window is later resized.
inline int xResolution = 1280;
inline int yResolution = 720;
