#version 430 core
// The boost gauge: a bar filled from the left to "amount" (0 empty, 1 full; below 0 empty). The filled part
// also feeds the glow source.
uniform float amount;

in vec2 texCoord;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 glow;

const vec3 fillColor = vec3(1.0, 0.55, 0.1);
const vec3 emptyColor = vec3(0.12, 0.12, 0.15);

void main() {
    bool filled = texCoord.x < amount;
    color = filled ? vec4(fillColor, 1.0) : vec4(emptyColor, 0.6);
    glow = filled ? vec4(fillColor * 0.6, 1.0) : vec4(0.0, 0.0, 0.0, 0.6);
}
