#pragma once
struct GLFWwindow;

// Builds every long-lived object of the game in a fixed order and uploads the uniforms that never change.
void assembleScene(GLFWwindow* window);

// Deletes everything assembleScene built, while the OpenGL context still exists; the physics world goes last.
void teardownScene();
