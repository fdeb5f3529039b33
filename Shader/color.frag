#version 430 core
// Sun light with a sky fill and one shadow comparison on unit 2 (outside the map the border depth 1 reads lit),
// coloured by the mesh's material. Output 0 is the picture, output 1 the glow source: the colour times "glow".

in vec3 viewNormal;
in vec3 viewPosition;
in vec4 shadowCoord;
flat in vec3 toSun;
flat in vec3 viewUp;
flat in float shadowWeight;

uniform vec3 sunColor;
uniform float ambient;
uniform float shininess;
uniform vec3 specularColor;
uniform vec3 diffuseColor;
uniform float glow;

layout(binding = 2) uniform sampler2DShadow shadowMap;

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 glowColor;

const vec3 hazeColor = vec3(0.70, 0.78, 0.88);

void main() {
    vec3 n = normalize(viewNormal);
    vec3 toEye = normalize(-viewPosition);
    float lambert = max(dot(n, toSun), 0.0);
    float highlight = pow(max(dot(n, normalize(toSun + toEye)), 0.0), max(shininess, 1.0));
    float towardSun = dot(n, toSun);
    // The map holds flat triangles, the lighting smooth normals: toward the terminator the two disagree about
    // what the sun sees, and a triangle turned from the sun shadows itself along its edges (sawtooth). There,
    // by the smooth normal or by the triangle's own, the shadow fades out; the light it would take away is
    // small anyway. Level ground under this sun (about 19 degrees high) keeps its full shadow.
    vec3 face = normalize(cross(dFdx(viewPosition), dFdy(viewPosition)));
    float faceTowardSun = dot(face, toSun) * sign(dot(face, n));
    float shadowFade = smoothstep(0.05, 0.3, towardSun) * smoothstep(0.05, 0.3, faceTowardSun);
    float lit = mix(1.0, texture(shadowMap, shadowCoord.xyz), shadowWeight * shadowFade) * step(0.0, towardSun);
    float fill = ambient * (1.25 + 0.75 * dot(n, viewUp));

    vec3 colour = diffuseColor * (fill + lit * lambert * sunColor) + lit * highlight * specularColor * sunColor;
    float haze = min(0.5, 1.0 - exp2(-length(viewPosition) * 0.00012));
    fragColor = vec4(mix(colour, hazeColor, haze), 1.0);
    glowColor = vec4(colour * glow, 1.0);
}
