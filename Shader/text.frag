#version 430 core
// The glyph's coverage is in the red channel. Text covers the glow source with black, so HUD lines stay crisp
// instead of blooming or being washed out by the world's glow.
layout(binding = 0) uniform sampler2D glyph;

uniform vec4 textColor;

in vec2 texCoord;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 glow;

void main() {
    float coverage = textColor.a * texture(glyph, texCoord).r;
    color = vec4(textColor.rgb, coverage);
    glow = vec4(0.0, 0.0, 0.0, coverage);
}
