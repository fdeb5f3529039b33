#include "tools/assetgen/FlarePainter.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>

namespace tavo::assetgen {

namespace {

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float band(float r, float centre, float width) {
    const float d = (r - centre) / width;
    return std::exp(-d * d);
}

// r and angle about the sprite centre, r = 1 at the middle of an edge.
glm::vec3 sprite(FlareSprite kind, float r, float angle) {
    switch (kind) {
    case FlareSprite::Bloom:
        return glm::vec3(1.0f, 0.95f, 0.85f) * (std::exp(-r * r / 0.03f) + 0.45f * std::exp(-r * r / 0.12f));
    case FlareSprite::Spike: {
        float rays = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const float across = std::sin(angle - glm::pi<float>() * k / 3.0f) * r;
            rays += std::exp(-across * across / 0.0004f) * std::max(0.0f, 1.0f - r / 0.8f);
        }
        return glm::vec3(1.0f, 0.97f, 0.9f) * (rays + std::exp(-r * r / 0.01f));
    }
    case FlareSprite::Halo1:
        return glm::vec3(0.45f, 0.75f, 1.0f) *
               (0.8f * band(r, 0.55f, 0.08f) + 0.15f * (1.0f - smoothstep(0.4f, 0.6f, r)));
    case FlareSprite::Halo2:
        return glm::vec3(1.0f, 0.7f, 0.4f) *
               (0.3f * (1.0f - smoothstep(0.38f, 0.46f, r)) + 0.6f * band(r, 0.45f, 0.03f));
    case FlareSprite::Ring:
        // Chromatic: red outside, blue inside, as a lens splits it.
        return glm::vec3(band(r, 0.72f, 0.035f), band(r, 0.69f, 0.035f), band(r, 0.66f, 0.035f)) * 0.9f;
    }
    return glm::vec3(0.0f);
}

} // namespace

Image paintFlareSprite(FlareSprite kind, int size) {
    Image image(size, size, 3);
    image.fill([kind](const glm::vec2& uv) {
        const glm::vec2 p = uv * 2.0f - 1.0f;
        const float r = glm::length(p);
        const float fade = 1.0f - smoothstep(0.7f, 0.85f, r);
        return glm::vec4(sprite(kind, r, std::atan2(p.y, p.x)) * fade, 1.0f);
    });
    return image;
}

} // namespace tavo::assetgen
