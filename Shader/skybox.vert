#version 430 core
// The cube stays centred on the eye: only the rotation of the view is applied. The sky lies exactly on the far
// plane (depth 1.0, the cleared value), which its draw tests with GL_LEQUAL: it fills only what nothing has
// covered, so it can be drawn after the opaque world. It writes no depth, so everything drawn later still
// covers it.
layout(location = 0) in vec3 position;

uniform mat4 ProjectionMatrix;
uniform mat4 ViewMatrix;

out vec3 direction;

void main() {
    direction = position;
    vec4 clip = ProjectionMatrix * vec4(mat3(ViewMatrix) * position, 1.0);
    gl_Position = clip.xyww;
}
