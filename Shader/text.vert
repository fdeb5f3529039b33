#version 430 core
// One glyph quad: x, y in window pixels, s, t into the glyph's bitmap.
layout(location = 0) in vec4 vertex;

uniform mat4 projection;

out vec2 texCoord;

void main() {
    texCoord = vertex.zw;
    gl_Position = projection * vec4(vertex.xy, 0.0, 1.0);
}
