#version 430 core
layout(binding = 0) uniform samplerCube sky;

in vec3 direction;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 glow;

void main() {
    vec3 sky = texture(sky, direction).rgb;
    color = vec4(sky, 1.0);
    // Only near-white texels feed the bloom: nothing below 0.9 in every channel (sky, clouds), fully from 0.95
    // (the sun's disk).
    float whiteness = min(sky.r, min(sky.g, sky.b));
    glow = vec4(sky * clamp((whiteness - 0.9) * 20.0, 0.0, 1.0), 1.0);
}
