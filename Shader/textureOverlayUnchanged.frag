#version 430 core
// The prize picture as it is, with its own alpha. Nothing glows under it, so it shows unchanged after the
// glow is added.
layout(binding = 0) uniform sampler2D picture;

in vec2 texCoord;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 glow;

void main() {
    vec4 texel = texture(picture, texCoord);
    color = texel;
    glow = vec4(0.0, 0.0, 0.0, texel.a);
}
