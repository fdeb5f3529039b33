#version 430 core
// Depth of the shadow casters as the sun sees them.
in vec3 position;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

void main() {
    gl_Position = projection * (view * (model * vec4(position, 1.0)));
}
