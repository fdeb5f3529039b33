#include "tools/assetgen/AircraftModel.h"

#include "tools/assetgen/AircraftAtlas.h"
#include "tools/assetgen/MeshBuilder.h"
#include "tools/assetgen/PickupModels.h"

#include <glm/gtc/constants.hpp>

#include <cmath>
#include <vector>

namespace tavo::assetgen {

namespace {

// Cross-sections of the fuselage from the tail to the nose: half width, half height and the height of the
// section's centre. The top at the cockpit (y 2.87) is 0.85, under the canopy; the widest part (1.3) stays
// inside the collision capsule of radius 1.5.
struct Section {
    float y;
    float halfWidth;
    float halfHeight;
    float centreZ;
};
const std::vector<Section> sections{
    {-8.0f, 1.0f, 0.45f, 0.05f}, {-7.0f, 1.15f, 0.52f, 0.05f}, {-5.0f, 1.27f, 0.6f, 0.05f},
    {-2.0f, 1.3f, 0.65f, 0.05f}, {0.5f, 1.15f, 0.7f, 0.1f},    {2.0f, 0.95f, 0.7f, 0.15f},
    {3.0f, 0.85f, 0.7f, 0.15f},  {4.5f, 0.7f, 0.62f, 0.12f},   {6.5f, 0.45f, 0.42f, 0.05f},
    {7.8f, 0.22f, 0.2f, 0.0f},   {8.3f, 0.08f, 0.07f, 0.0f},
};
constexpr float noseTip = 8.5f;

// Cubic Hermite through the sections with finite-difference slopes: smooth, and exact at every section.
Section sectionAt(float y) {
    const std::size_t last = sections.size() - 1;
    if (y <= sections.front().y)
        return sections.front();
    if (y >= sections[last].y)
        return sections[last];
    std::size_t i = 0;
    while (sections[i + 1].y < y)
        ++i;
    auto slope = [&](std::size_t k, auto field) {
        const std::size_t a = k == 0 ? 0 : k - 1;
        const std::size_t b = k == last ? last : k + 1;
        return (field(sections[b]) - field(sections[a])) / (sections[b].y - sections[a].y);
    };
    const float span = sections[i + 1].y - sections[i].y;
    const float t = (y - sections[i].y) / span;
    const float h00 = 2 * t * t * t - 3 * t * t + 1, h10 = t * t * t - 2 * t * t + t;
    const float h01 = -2 * t * t * t + 3 * t * t, h11 = t * t * t - t * t;
    auto blend = [&](auto field) {
        return h00 * field(sections[i]) + h10 * span * slope(i, field) + h01 * field(sections[i + 1]) +
               h11 * span * slope(i + 1, field);
    };
    return {y, blend([](const Section& s) { return s.halfWidth; }),
            blend([](const Section& s) { return s.halfHeight; }),
            blend([](const Section& s) { return s.centreZ; })};
}

// Angle 0 is the top of the section, ±pi the belly, positive angles toward +x.
glm::vec3 fuselagePoint(float angle, float y) {
    const Section s = sectionAt(y);
    return {s.halfWidth * std::sin(angle), y, s.centreZ + s.halfHeight * std::cos(angle)};
}

void addFuselage(MeshBuilder& body) {
    constexpr int around = 32;
    constexpr int along = 48;
    const float tail = sections.front().y;
    const float nose = sections.back().y;
    const float epsilon = 1e-3f;
    std::vector<std::vector<std::uint32_t>> rings;
    for (int r = 0; r <= along; ++r) {
        const float y = tail + (nose - tail) * static_cast<float>(r) / along;
        std::vector<std::uint32_t> ring;
        for (int s = 0; s <= around; ++s) {
            const float angle = -glm::pi<float>() + glm::two_pi<float>() * static_cast<float>(s) / around;
            const glm::vec3 p = fuselagePoint(angle, y);
            const glm::vec3 dAngle = fuselagePoint(angle + epsilon, y) - fuselagePoint(angle - epsilon, y);
            const glm::vec3 dY = fuselagePoint(angle, y + epsilon) - fuselagePoint(angle, y - epsilon);
            glm::vec3 normal = glm::normalize(glm::cross(dAngle, dY));
            const glm::vec3 fromAxis(p.x, 0.0f, p.z - sectionAt(y).centreZ);
            if (glm::dot(normal, fromAxis) < 0.0f)
                normal = -normal;
            const glm::vec2 uv =
                atlas::fuselage.at(static_cast<float>(s) / around, (y + noseTip) / (2.0f * noseTip));
            ring.push_back(body.addVertex(p, normal, uv));
        }
        rings.push_back(std::move(ring));
    }
    for (int r = 0; r < along; ++r)
        for (int s = 0; s < around; ++s)
            body.addQuad(rings[r][s], rings[r][s + 1], rings[r + 1][s + 1], rings[r + 1][s]);

    // Nose cone to a point, and a flat tail plate behind which the nozzles stand.
    const Section front = sectionAt(nose);
    const std::uint32_t tip = body.addVertex(glm::vec3(0.0f, noseTip, front.centreZ), glm::vec3(0, 1, 0),
                                             atlas::fuselage.at(0.5f, 1.0f));
    for (int s = 0; s < around; ++s)
        body.addTriangle(rings[along][s], rings[along][s + 1], tip);
    const Section back = sectionAt(tail);
    const glm::vec2 plateUv = atlas::nozzleMetal.centre();
    const std::uint32_t plateCentre =
        body.addVertex(glm::vec3(0.0f, tail, back.centreZ), glm::vec3(0, -1, 0), plateUv);
    std::vector<std::uint32_t> plate;
    for (int s = 0; s <= around; ++s) {
        const float angle = -glm::pi<float>() + glm::two_pi<float>() * static_cast<float>(s) / around;
        plate.push_back(body.addVertex(fuselagePoint(angle, tail), glm::vec3(0, -1, 0), plateUv));
    }
    for (int s = 0; s < around; ++s)
        body.addTriangle(plateCentre, plate[s], plate[s + 1]);
}

glm::vec2 mirrored(const glm::vec2& p, float side) {
    return {p.x * side, p.y};
}

void addWingsAndNozzles(MeshBuilder& body) {
    const UvMap wingUv = [](const glm::vec3& p, const glm::vec3&) {
        return atlas::wings.at((p.x + 6.0f) / 12.0f, (p.y + 4.0f) / 10.0f);
    };
    // Engine nozzles point along -y: local lathe axis z becomes model -y.
    const glm::mat3 aft(glm::vec3(1, 0, 0), glm::vec3(0, 0, 1), glm::vec3(0, -1, 0));
    for (float side : {-1.0f, 1.0f}) {
        const std::vector<glm::vec2> wing{{0.9f, 1.8f}, {5.6f, -1.9f}, {5.6f, -3.45f}, {0.9f, -3.45f}};
        const std::vector<glm::vec2> extension{{0.5f, 5.4f}, {0.8f, 0.8f}, {1.4f, 1.8f}};
        std::vector<glm::vec2> wingOutline, extensionOutline;
        for (const glm::vec2& p : wing)
            wingOutline.push_back(mirrored(p, side));
        for (const glm::vec2& p : extension)
            extensionOutline.push_back(mirrored(p, side));
        body.addSlab(wingOutline, 0.12f, 0.25f, wingUv);
        body.addSlab(extensionOutline, 0.14f, 0.22f, wingUv);

        // Navigation lights at the wing tips: red to port (left), green to starboard.
        const UvRect& light = side < 0.0f ? atlas::portLight : atlas::starboardLight;
        body.addSphere(glm::vec3(5.62f * side, -2.7f, 0.185f), 0.09f, 2, constantUv(light.centre()));

        const glm::vec3 nozzle(0.5f * side, -7.9f, 0.05f);
        body.addLathe({{0.4f, -0.1f}, {0.36f, 0.5f}, {0.3f, 0.5f}}, 24, nozzle,
                      constantUv(atlas::nozzleMetal.centre()), aft);
        body.addLathe({{0.3f, 0.5f}, {0.3f, 0.25f}, {0.0f, 0.25f}}, 24, nozzle,
                      constantUv(atlas::nozzleFire.centre()), aft);
    }
}

MeshData makeFlap(const char* name) {
    MeshBuilder flap(name, "paint");
    // Hinged at its leading edge (the pivot), reaching 1 unit aft.
    flap.addSlab({{-1.45f, 0.0f}, {1.45f, 0.0f}, {1.35f, -0.95f}, {-1.35f, -0.95f}}, -0.05f, 0.05f,
                 [](const glm::vec3& p, const glm::vec3&) {
                     return atlas::flaps.at((p.x + 1.5f) / 3.0f, p.y + 1.0f);
                 });
    return flap.build();
}

MeshData makeStabilator(const char* name, float side) {
    MeshBuilder stabilator(name, "paint");
    // All-moving tailplane turning about its pivot: root inside the fuselage, tip outboard.
    std::vector<glm::vec2> outline{{-0.87f, 0.9f}, {1.9f, -0.3f}, {1.9f, -0.9f}, {-0.87f, -1.0f}};
    for (glm::vec2& p : outline)
        p = mirrored(p, side);
    stabilator.addSlab(outline, -0.05f, 0.05f, [side](const glm::vec3& p, const glm::vec3&) {
        return atlas::stabilators.at((p.x * side + 0.9f) / 2.9f, (p.y + 1.05f) / 2.0f);
    });
    return stabilator.build();
}

MeshData makeFin(const char* name) {
    MeshBuilder fin(name, "paint");
    // Outline in (forward, up) relative to the pivot, thickness along x. The root reaches down into the
    // fuselage, so the fin never floats when it swings about the vertical.
    const glm::mat3 upright(glm::vec3(0, 1, 0), glm::vec3(0, 0, 1), glm::vec3(1, 0, 0));
    fin.addSlab(
        {{1.6f, -1.35f}, {-0.4f, 2.0f}, {-1.25f, 2.0f}, {-1.4f, -1.35f}}, -0.05f, 0.05f,
        [](const glm::vec3& p, const glm::vec3&) {
            return atlas::fins.at((p.y + 1.5f) / 3.2f, (p.z + 1.4f) / 3.5f);
        },
        glm::vec3(0.0f), upright);
    return fin.build();
}

MeshData makeWornHat() {
    MeshBuilder hat("hat", "felt");
    // The pickup's hat, made small enough for the cockpit, its brim at relative height 0 on the canopy top.
    constexpr float size = 0.625f;
    std::vector<glm::vec2> profile = hatProfile(true);
    const float brim = profile.front().y;
    for (glm::vec2& point : profile)
        point = glm::vec2(point.x, point.y - brim) * size;
    hat.addLathe(profile, 32, glm::vec3(0.0f), constantUv(atlas::hatFelt.centre()));
    return hat.build();
}

MeshData makeCanopy() {
    MeshBuilder canopy("window", "glass");
    // A dome whose top passes through the hat's pivot (0, 2.872, 1.311); its rim sinks into the fuselage.
    canopy.addEllipsoid(
        glm::vec3(0.0f, 3.0f, 0.7f), glm::vec3(0.5f, 1.6f, 0.612f), 3,
        [](const glm::vec3& p, const glm::vec3&) {
            return atlas::canopy.at(p.x + 0.5f, (p.y - 1.4f) / 3.2f);
        },
        true);
    return canopy.build();
}

} // namespace

Model makeAircraftModel() {
    Model model;
    // The colour comes from the texture; diffuse is written only so that every material is complete.
    model.materials.push_back({"paint", {0.8f, 0.8f, 0.8f}, {0.5f, 0.5f, 0.5f}, 32.0f});
    model.materials.push_back({"glass", {0.8f, 0.8f, 0.8f}, {1.0f, 1.0f, 1.0f}, 64.0f});
    model.materials.push_back(
        {"felt", {0.8f, 0.8f, 0.8f}, hatFeltMaterial.specular, hatFeltMaterial.shininess});

    MeshBuilder body("Plane", "paint");
    addFuselage(body);
    addWingsAndNozzles(body);
    model.meshes.push_back(body.build());

    model.meshes.push_back(makeFlap("wing_left"));
    model.meshes.push_back(makeFlap("wing_right"));
    model.meshes.push_back(makeStabilator("rearWing_left", -1.0f));
    model.meshes.push_back(makeStabilator("rearWing_right", 1.0f));
    model.meshes.push_back(makeFin("topWing_left"));
    model.meshes.push_back(makeFin("topWing_right"));
    model.meshes.push_back(makeWornHat());
    model.meshes.push_back(makeCanopy());
    return model;
}

} // namespace tavo::assetgen
