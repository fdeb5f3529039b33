#version 430 core
// Horizontal half of the bloom blur: the same 9-texel Gaussian as the vertical half, read one mipmap level
// down from the half-size result, so both directions work at a quarter of the window size.
layout(binding = 1) uniform sampler2D verticalBlur;

// Texel size of the half-size target; a texel of the level read is twice as large.
uniform vec2 resolution;

in vec2 texCoord;

layout(location = 0) out vec4 color;

const float sourceLevel = 1.0;

void main() {
    vec2 texel = vec2(2.0 * resolution.x, 0.0);
    vec3 sum = textureLod(verticalBlur, texCoord, sourceLevel).rgb * 0.2270270;
    sum += (textureLod(verticalBlur, texCoord + 1.3846154 * texel, sourceLevel).rgb +
            textureLod(verticalBlur, texCoord - 1.3846154 * texel, sourceLevel).rgb) * 0.3162162;
    sum += (textureLod(verticalBlur, texCoord + 3.2307692 * texel, sourceLevel).rgb +
            textureLod(verticalBlur, texCoord - 3.2307692 * texel, sourceLevel).rgb) * 0.0702703;
    color = vec4(sum, 1.0);
}
