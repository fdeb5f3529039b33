#version 430 core
// A textured quad placed in clip space by "textureMatrix".
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;

uniform mat4 textureMatrix;

out vec2 texCoord;

void main() {
    texCoord = uv;
    gl_Position = textureMatrix * vec4(position, 1.0);
}
