#version 430 core
// The picture plus the blurred glow. The picture has the window's size, so it is fetched texel for texel.
layout(binding = 0) uniform sampler2D picture;
layout(binding = 1) uniform sampler2D blurredGlow;

in vec2 texCoord;

layout(location = 0) out vec4 color;

void main() {
    vec3 scene = texelFetch(picture, ivec2(gl_FragCoord.xy), 0).rgb;
    color = vec4(scene + textureLod(blurredGlow, texCoord, 0.0).rgb, 1.0);
}
