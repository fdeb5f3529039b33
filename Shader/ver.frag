#version 430 core
// Vertical half of the bloom blur, drawn at half the window size. The glow source is read two mipmap levels
// down (a quarter of the window size), so the 9-texel Gaussian spans 36 window pixels; five bilinear fetches
// between texel centres give its nine weights.
layout(binding = 0) uniform sampler2D glowSource;

// Texel size of the half-size target; a texel of the level read is twice as large.
uniform vec2 resolution;

in vec2 texCoord;

layout(location = 0) out vec4 color;

const float sourceLevel = 2.0;

void main() {
    vec2 texel = vec2(0.0, 2.0 * resolution.y);
    vec3 sum = textureLod(glowSource, texCoord, sourceLevel).rgb * 0.2270270;
    sum += (textureLod(glowSource, texCoord + 1.3846154 * texel, sourceLevel).rgb +
            textureLod(glowSource, texCoord - 1.3846154 * texel, sourceLevel).rgb) * 0.3162162;
    sum += (textureLod(glowSource, texCoord + 3.2307692 * texel, sourceLevel).rgb +
            textureLod(glowSource, texCoord - 3.2307692 * texel, sourceLevel).rgb) * 0.0702703;
    // Opaque, so the blending the game keeps on cannot mix in the cleared target.
    color = vec4(sum, 1.0);
}
