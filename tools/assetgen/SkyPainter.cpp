#include "tools/assetgen/SkyPainter.h"

#include "tools/assetgen/Noise.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace tavo::assetgen {

namespace {

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

glm::vec3 skyColour(const glm::vec3& direction) {
    const glm::vec3 d = glm::normalize(direction);
    const float elevation = d.y;
    const float sunAngle = std::acos(std::clamp(glm::dot(d, skySunDirection), -1.0f, 1.0f));
    const glm::vec3 horizon(0.80f, 0.86f, 0.93f);
    const glm::vec3 zenith(0.20f, 0.40f, 0.78f);
    glm::vec3 colour;
    if (elevation >= 0.0f) {
        colour = glm::mix(horizon, zenith, std::pow(smoothstep(0.0f, 0.75f, elevation), 0.7f));
        // Clouds from noise on the direction itself: continuous across every face edge. They keep off the
        // sun, and their brightest grey stays under the sky shader's bloom threshold, so only the sun glows.
        const float n = fractalNoise(d * 3.5f + glm::vec3(11.0f, 3.0f, 7.0f), 5, 77);
        const float cover = smoothstep(0.05f, 0.45f, n) * smoothstep(0.02f, 0.2f, elevation) *
                            smoothstep(0.2f, 0.45f, sunAngle);
        const glm::vec3 cloud = glm::mix(glm::vec3(0.66f, 0.7f, 0.76f), glm::vec3(0.87f, 0.87f, 0.89f),
                                         smoothstep(0.1f, 0.6f, n));
        colour = glm::mix(colour, cloud, 0.9f * cover);
    } else {
        const glm::vec3 haze(0.74f, 0.79f, 0.83f);
        const glm::vec3 ground(0.40f, 0.46f, 0.36f);
        colour = glm::mix(haze, ground, smoothstep(0.0f, 0.3f, -elevation));
    }
    colour += glm::vec3(1.0f, 0.9f, 0.7f) *
              (0.55f * std::exp(-sunAngle / 0.05f) + 0.25f * std::exp(-sunAngle / 0.3f));
    colour = glm::mix(colour, glm::vec3(1.0f, 1.0f, 0.95f), smoothstep(0.03f, 0.022f, sunAngle));
    return glm::clamp(colour, glm::vec3(0.0f), glm::vec3(1.0f));
}

glm::vec3 skyFaceDirection(int face, int x, int row, int size) {
    const float s = (x + 0.5f) / size;
    const float t = 1.0f - (row + 0.5f) / size;
    const float sc = 2.0f * s - 1.0f;
    const float tc = 2.0f * t - 1.0f;
    // The cube-map face table of OpenGL, solved for the direction.
    switch (face) {
    case 0:
        return {1.0f, -tc, -sc};
    case 1:
        return {-1.0f, -tc, sc};
    case 2:
        return {sc, 1.0f, tc};
    case 3:
        return {sc, -1.0f, -tc};
    case 4:
        return {sc, -tc, 1.0f};
    case 5:
        return {-sc, -tc, -1.0f};
    default:
        throw std::invalid_argument("cube-map face " + std::to_string(face) + " does not exist (0..5)");
    }
}

Image paintSkyFace(int face, int size) {
    Image image(size, size, 3);
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x)
            image.set(x, row, glm::vec4(skyColour(skyFaceDirection(face, x, row, size)), 1.0f));
    return image;
}

} // namespace tavo::assetgen
