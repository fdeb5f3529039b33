#pragma once
#include <glm/glm.hpp>

// Program-wide state of the one game: written by the loop and the world update, read by the render sequence
// and the HUD. There is no restart, so nothing here is reset during a run (tests use resetGameState).

inline float zoomFactor = 1.0f;      // the vertical field of view is 90 degrees x zoomFactor
inline float gameTimeLeft = 180.0f;  // seconds of play left
inline bool gameOver = false;        // set when the clock runs out or the aircraft crashes; never cleared
inline bool samplingApplied = false; // texture filters were set at least once

// While positive the HUD shows the notice of a debug switch; the loop holds them at 2 while the key is down.
inline float frameTimeMessageTimer = 0.0f;
inline float wireframeMessageTimer = 0.0f;
inline float samplingMessageTimer = 0.0f;
inline float mipmapMessageTimer = 0.0f;
inline float cullingMessageTimer = 0.0f;
inline float transparencyMessageTimer = 0.0f;

inline int score = 0;                     // +100 per ring, +20 for the hat
inline float endSequenceTimer = 2.0f;     // the camera rises while it runs down after gameOver
inline unsigned int drawnVertexCount = 0; // indices submitted by the main pass while the frame time is shown

inline glm::mat4 projectionMatrix(1.0f);
inline glm::mat4 viewMatrix(1.0f);

// Puts every value above back to its start value.
void resetGameState();
