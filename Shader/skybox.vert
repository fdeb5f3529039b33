#version 430 core
// The cube stays centred on the eye: only the rotation of the view is applied. The depth is put a hair in
// front of the far plane, because the frame is cleared to depth 1.0 and tested with GL_LESS; the sky writes no
// depth, so everything drawn later still covers it.
in vec3 position;

uniform mat4 ProjectionMatrix;
uniform mat4 ViewMatrix;

out vec3 direction;

void main() {
    direction = position;
    vec4 clip = ProjectionMatrix * vec4(mat3(ViewMatrix) * position, 1.0);
    gl_Position = vec4(clip.xy, clip.w * 0.9999, clip.w);
}
