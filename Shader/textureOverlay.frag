#version 430 core
// The end-of-game fade: the picture (black) covers the screen more as "factor" runs from 1 down to 0 and
// beyond. The glow source is darkened alike, so no bloom shines through the fade.
layout(binding = 0) uniform sampler2D picture;

uniform float factor;

in vec2 texCoord;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 glow;

void main() {
    vec4 texel = texture(picture, texCoord);
    float coverage = texel.a * clamp(1.0 - factor, 0.0, 1.0);
    color = vec4(texel.rgb, coverage);
    glow = vec4(0.0, 0.0, 0.0, coverage);
}
