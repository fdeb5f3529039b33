#include "tools/assetgen/OverlayPainter.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>

namespace tavo::assetgen {

namespace {

struct Paint {
    bool covered = false;
    glm::vec3 colour{0.0f};
};

glm::vec3 gold(float x, float halfWidth) {
    // Lit like a polished cylinder: bright streak left of centre, darker toward the silhouette.
    const float across = std::clamp(x / std::max(halfWidth, 1e-3f), -1.0f, 1.0f);
    const float shade = 0.55f + 0.45f * std::cos(across * glm::half_pi<float>());
    const float streak = std::exp(-std::pow((across + 0.35f) / 0.12f, 2.0f));
    return glm::mix(glm::vec3(0.95f, 0.72f, 0.18f) * shade, glm::vec3(1.0f, 0.97f, 0.85f), 0.8f * streak);
}

bool insideStar(glm::vec2 p, glm::vec2 centre, float outer) {
    const glm::vec2 d = p - centre;
    const float r = glm::length(d);
    const float angle = std::atan2(d.x, d.y);
    const float sector = glm::two_pi<float>() / 5.0f;
    const float a = std::fmod(std::fabs(angle) + sector / 2.0f, sector) - sector / 2.0f;
    // Straight-edged five-pointed star: inner radius 0.4 of the outer.
    const float inner = 0.4f * outer;
    const float tipAngle = sector / 2.0f;
    const float edge = inner * outer * std::sin(tipAngle) /
                       (outer * std::sin(std::fabs(a)) + inner * std::sin(tipAngle - std::fabs(a)));
    return r <= edge;
}

// The trophy in coordinates -1..1, y up.
Paint trophy(glm::vec2 p) {
    const float x = p.x, y = p.y;
    if (insideStar(p, glm::vec2(0.0f, 0.8f), 0.14f))
        return {true, glm::vec3(1.0f, 0.85f, 0.3f)};
    const float bowl = (x / 0.45f) * (x / 0.45f) + ((y - 0.6f) / 0.62f) * ((y - 0.6f) / 0.62f);
    if (y <= 0.6f && bowl <= 1.0f)
        return {true, gold(x, 0.45f)};
    if (y > 0.58f && y <= 0.65f && std::fabs(x) <= 0.49f)
        return {true, gold(x, 0.49f) * 1.05f};
    for (float side : {-1.0f, 1.0f}) {
        const float r = glm::length(p - glm::vec2(0.44f * side, 0.36f));
        if (r >= 0.13f && r <= 0.19f && x * side > 0.3f)
            return {true, gold(x - 0.44f * side, 0.19f) * 0.9f};
    }
    if (y > -0.36f && y <= 0.0f) {
        const float half = 0.05f + 0.03f * (-y / 0.36f);
        if (std::fabs(x) <= half)
            return {true, gold(x, half)};
    }
    if (y > -0.55f && y <= -0.36f) {
        const float half = 0.12f + 0.2f * (-0.36f - y) / 0.19f;
        if (std::fabs(x) <= half)
            return {true, gold(x, half)};
    }
    if (y > -0.72f && y <= -0.55f && std::fabs(x) <= 0.4f) {
        const float grain = 0.9f + 0.1f * std::sin(y * 90.0f + std::sin(x * 7.0f) * 3.0f);
        return {true, glm::vec3(0.32f, 0.17f, 0.08f) * grain};
    }
    return {};
}

} // namespace

Image paintFadePicture(int size) {
    Image image(size, size, 4);
    image.fill([](const glm::vec2&) { return glm::vec4(0.0f, 0.0f, 0.0f, 1.0f); });
    return image;
}

Image paintPrizePicture(int size) {
    Image image(size, size, 4);
    // The picture stands raised by an eighth of the screen, so its top eighth (above 0.75) is off the screen:
    // the trophy (-0.72 to 0.94) shrinks and moves down to about -0.79 to 0.71, clear of the points below.
    const glm::vec2 motifShift(0.0f, -0.14f);
    constexpr float motifScale = 0.9f;
    // 4 x 4 samples per pixel: the coverage becomes alpha, so the outline is smooth at any screen size.
    constexpr int samples = 4;
    for (int row = 0; row < size; ++row) {
        for (int x = 0; x < size; ++x) {
            glm::vec3 sum(0.0f);
            int covered = 0;
            for (int j = 0; j < samples; ++j) {
                for (int i = 0; i < samples; ++i) {
                    const glm::vec2 uv((x + (i + 0.5f) / samples) / size,
                                       (row + (j + 0.5f) / samples) / size);
                    const Paint paint = trophy((uv * 2.0f - 1.0f - motifShift) / motifScale);
                    if (paint.covered) {
                        sum += paint.colour;
                        ++covered;
                    }
                }
            }
            if (covered == 0)
                image.set(x, row, glm::vec4(0.0f));
            else
                image.set(x, row,
                          glm::vec4(sum / static_cast<float>(covered),
                                    static_cast<float>(covered) / (samples * samples)));
        }
    }
    return image;
}

} // namespace tavo::assetgen
