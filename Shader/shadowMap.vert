#version 430 core
// Depth of the shadow casters as the sun sees them.
// It draws the lit programs' vertex arrays: position at 0, as in every mesh program.
layout(location = 0) in vec3 position;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

void main() {
    gl_Position = projection * (view * (model * vec4(position, 1.0)));
}
