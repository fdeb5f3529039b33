#version 430 core
// The flare sprites are pictures on black without alpha: brightness becomes coverage, so with the game's
// source-alpha blending a sprite adds its colour where it is bright and leaves the scene alone where it is
// black. "factor" is the element's faintness: 2 draws at full strength, 4 (the halos) at half.
layout(binding = 0) uniform sampler2D sprite;

uniform float factor;

in vec2 texCoord;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 glow;

void main() {
    vec3 texel = texture(sprite, texCoord).rgb;
    float brightness = max(texel.r, max(texel.g, texel.b));
    float coverage = clamp(brightness * 2.0 / factor, 0.0, 1.0);
    color = vec4(texel / max(brightness, 1.0 / 255.0), coverage);
    // The flare masks the glow source off while it draws; this output only keeps the two targets declared.
    glow = vec4(0.0);
}
