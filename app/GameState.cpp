#include "app/GameState.h"

void resetGameState() {
    zoomFactor = 1.0f;
    gameTimeLeft = 180.0f;
    gameOver = false;
    samplingApplied = false;
    frameTimeMessageTimer = wireframeMessageTimer = samplingMessageTimer = 0.0f;
    mipmapMessageTimer = cullingMessageTimer = transparencyMessageTimer = 0.0f;
    score = 0;
    endSequenceTimer = 2.0f;
    drawnVertexCount = 0;
    projectionMatrix = glm::mat4(1.0f);
    viewMatrix = glm::mat4(1.0f);
}
