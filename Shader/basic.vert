#version 430 core
// The textured program of the jet. Lighting happens in view space, so no inverse matrix is needed for the eye.
// Assumes uniform scale in "model": the normal is turned with the model-view matrix and normalised per pixel.

// Every program that draws meshes takes position, normal and texture coordinate at 0, 1 and 2, so one mesh's
// vertex array serves the lit and the depth programs alike, whatever the driver would number them.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;
uniform mat4 M_Vl_Pl_L_Matrix; // bias x light projection x light view x model
uniform vec3 sunDirection;     // the direction the light travels

layout(binding = 2) uniform sampler2DShadow shadowMap;

out vec3 viewNormal;
out vec3 viewPosition;
out vec4 shadowCoord;
out vec2 texCoord;
flat out vec3 toSun;
flat out vec3 viewUp;
flat out float shadowWeight;

void main() {
    mat4 modelView = view * model;
    vec4 p = modelView * vec4(position, 1.0);
    viewPosition = p.xyz;
    viewNormal = mat3(modelView) * normal;
    toSun = normalize(mat3(view) * -sunDirection);
    viewUp = mat3(view)[1];
    // The shadow lookup starts off the surface, along its normal and the farther the more the surface turns
    // from the sun: a map texel is about one world unit wide, and at a slant its depth would otherwise reach
    // above the surface that cast it (acne stripes). The offset is in world units (uniform scale assumed).
    vec3 worldNormal = mat3(model) * normal;
    float worldLength = max(length(worldNormal), 1e-6);
    float towardSun = dot(worldNormal, -sunDirection) / worldLength;
    float offset = 0.5 + 2.0 * sqrt(max(1.0 - towardSun * towardSun, 0.0));
    shadowCoord = M_Vl_Pl_L_Matrix * vec4(position + normal * (offset / worldLength), 1.0);
    // Before a shadow map is bound, unit 2 reads as an empty or 1 x 1 stand-in (Mesa's) that compares as shadow
    // everywhere: without a real map everything is lit instead.
    shadowWeight = textureSize(shadowMap, 0).x > 1 ? 1.0 : 0.0;
    texCoord = uv;
    gl_Position = projection * p;
}
