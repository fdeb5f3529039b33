#version 430 core
// The glow's full-screen quad. The three glow programs share one vertex array, so the attribute locations are
// fixed here.
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;

out vec2 texCoord;

void main() {
    texCoord = uv;
    gl_Position = vec4(position, 1.0);
}
