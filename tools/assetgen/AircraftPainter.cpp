#include "tools/assetgen/AircraftPainter.h"

#include "tools/assetgen/AircraftAtlas.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/PickupModels.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>

namespace tavo::assetgen {

namespace {

const glm::vec3 topGrey(0.52f, 0.56f, 0.61f);
const glm::vec3 bellyGrey(0.74f, 0.76f, 0.78f);
const glm::vec3 darkGrey(0.2f, 0.22f, 0.24f);
const glm::vec3 fire(1.0f, 0.55f, 0.15f);
const glm::vec3 portRed(1.0f, 0.12f, 0.1f);
const glm::vec3 starboardGreen(0.1f, 1.0f, 0.3f);

float line(float value, float at, float halfWidth) {
    return std::fabs(value - at) < halfWidth ? 1.0f : 0.0f;
}

// A light wear pattern so large panels do not look flat.
glm::vec3 weathered(const glm::vec3& colour, const glm::vec2& uv) {
    return colour * (0.94f + 0.06f * fractalNoise(glm::vec3(uv * 60.0f, 1.0f), 3, 5));
}

glm::vec3 roundel(float distance, const glm::vec3& base) {
    if (distance < 0.12f)
        return {0.75f, 0.1f, 0.1f};
    if (distance < 0.28f)
        return {0.92f, 0.92f, 0.92f};
    if (distance < 0.4f)
        return {0.1f, 0.18f, 0.45f};
    return base;
}

glm::vec3 fuselagePaint(glm::vec2 local) {
    const float angle = (local.x - 0.5f) * glm::two_pi<float>(); // 0 on top, ±pi under the belly
    const float y = local.y * 17.0f - 8.5f;                      // model y, nose at +8.5
    glm::vec3 colour = glm::mix(bellyGrey, topGrey, glm::smoothstep(-0.3f, 0.3f, std::cos(angle)));
    if (y > 6.9f)
        colour = glm::vec3(0.4f, 0.42f, 0.45f); // radome
    if (std::fabs(angle) < 0.5f && y > 4.6f && y < 6.6f)
        colour = darkGrey; // anti-glare panel ahead of the canopy
    if (y < -7.7f)
        colour = glm::vec3(0.3f, 0.3f, 0.32f); // engine bay
    for (float at : {-6.0f, -3.5f, -1.0f, 1.5f, 4.6f, 6.9f})
        colour *= 1.0f - 0.25f * line(y, at, 0.03f);
    colour *= 1.0f - 0.2f * line(std::fabs(angle), glm::half_pi<float>(), 0.012f);
    return colour;
}

glm::vec3 wingPaint(glm::vec2 local) {
    const float x = local.x * 12.0f - 6.0f;
    const float y = local.y * 10.0f - 4.0f;
    glm::vec3 colour = topGrey;
    for (int k = 1; k <= 4; ++k)
        colour *= 1.0f - 0.2f * line(std::fabs(x), 1.1f * k + 0.4f, 0.015f);
    colour *= 1.0f - 0.2f * line(y, -2.2f, 0.015f);
    if (std::fabs(x) > 5.2f)
        colour = glm::vec3(0.85f, 0.6f, 0.15f); // high-visibility wing tips
    return roundel(glm::length(glm::vec2(std::fabs(x) - 4.0f, y + 2.05f)), colour);
}

glm::vec3 surfacePaint(glm::vec2 local) {
    glm::vec3 colour = topGrey * 0.95f;
    colour *= 1.0f - 0.3f * line(local.y, 0.97f, 0.02f); // hinge line at the leading edge
    return colour;
}

glm::vec3 finPaint(glm::vec2 local) {
    if (local.y > 0.9f)
        return darkGrey;
    // A yellow chevron, the squadron's mark.
    const glm::vec2 p = local - glm::vec2(0.45f, 0.6f);
    const float chevron = std::fabs(p.y + 0.8f * std::fabs(p.x));
    if (std::fabs(p.x) < 0.18f && chevron < 0.04f)
        return {0.95f, 0.8f, 0.1f};
    return topGrey * (1.0f - 0.2f * line(local.x, 0.3f, 0.006f));
}

glm::vec3 canopyPaint(glm::vec2 local) {
    const glm::vec2 p = local * 2.0f - 1.0f;
    if (glm::length(p) > 0.93f || line(local.y, 0.42f, 0.015f) > 0.0f)
        return darkGrey; // frame and bow
    const glm::vec3 glass(0.1f, 0.16f, 0.27f);
    const float highlight = std::exp(-std::pow((p.x + 0.6f * p.y - 0.2f) / 0.12f, 2.0f));
    return glm::mix(glass, glm::vec3(0.75f, 0.85f, 0.95f), 0.6f * highlight);
}

struct Island {
    const UvRect* rect;
    glm::vec3 (*paint)(glm::vec2 local);
};

glm::vec3 flat(const glm::vec3& colour) {
    return colour;
}

} // namespace

Image paintAircraftColour(int size) {
    Image image(size, size, 4);
    const Island islands[] = {
        {&atlas::fuselage, fuselagePaint},
        {&atlas::wings, wingPaint},
        {&atlas::flaps, surfacePaint},
        {&atlas::stabilators, surfacePaint},
        {&atlas::fins, finPaint},
        {&atlas::canopy, canopyPaint},
        {&atlas::nozzleMetal,
         [](glm::vec2) {
             return flat({0.28f, 0.27f, 0.26f});
         }},
        {&atlas::nozzleFire, [](glm::vec2) { return fire; }},
        // The worn hat is the pickup's: its felt colour, unweathered.
        {&atlas::hatFelt, [](glm::vec2) { return hatFeltMaterial.diffuse; }},
        {&atlas::portLight, [](glm::vec2) { return portRed; }},
        {&atlas::starboardLight, [](glm::vec2) { return starboardGreen; }},
    };
    image.fill([&](const glm::vec2& uv) {
        for (const Island& island : islands)
            if (island.rect->contains(uv, atlas::atlasPadding)) {
                const glm::vec3 paint = island.paint(island.rect->local(uv));
                return glm::vec4(island.rect == &atlas::hatFelt ? paint : weathered(paint, uv), 1.0f);
            }
        return glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    });
    return image;
}

Image paintAircraftGlow(int size) {
    Image image(size, size, 4);
    image.fill([](const glm::vec2& uv) {
        if (atlas::nozzleFire.contains(uv, atlas::atlasPadding))
            return glm::vec4(fire, 1.0f);
        if (atlas::portLight.contains(uv, atlas::atlasPadding))
            return glm::vec4(portRed, 1.0f);
        if (atlas::starboardLight.contains(uv, atlas::atlasPadding))
            return glm::vec4(starboardGreen, 1.0f);
        return glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    });
    return image;
}

} // namespace tavo::assetgen
