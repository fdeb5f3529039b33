#pragma once

// The size of the window's framebuffer, read once the window is open (the command line only asks for a size).
// The viewport, the projection, the effects' targets and the HUD layout all use these.
inline int xResolution = 1280;
inline int yResolution = 720;
