#version 430 core
// Depth only: the frame buffer has no colour target.
void main() {
}
