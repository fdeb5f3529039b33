#include "tools/assetgen/MeshBuilder.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace tavo::assetgen {

MeshBuilder::MeshBuilder(std::string name, std::string material) {
    mesh.name = std::move(name);
    mesh.material = std::move(material);
}

std::uint32_t MeshBuilder::addVertex(const glm::vec3& position, const glm::vec3& normal,
                                     const glm::vec2& uv) {
    mesh.positions.push_back(position);
    mesh.normals.push_back(glm::normalize(normal));
    mesh.uvs.push_back(uv);
    return static_cast<std::uint32_t>(mesh.positions.size() - 1);
}

void MeshBuilder::addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    const std::size_t count = mesh.positions.size();
    if (a >= count || b >= count || c >= count)
        throw std::out_of_range("mesh " + mesh.name + ": triangle refers to a vertex that does not exist");
    const glm::vec3 faceNormal =
        glm::cross(mesh.positions[b] - mesh.positions[a], mesh.positions[c] - mesh.positions[a]);
    if (glm::length(faceNormal) < 1e-9f)
        return;
    const glm::vec3 cornerNormals = mesh.normals[a] + mesh.normals[b] + mesh.normals[c];
    if (glm::dot(faceNormal, cornerNormals) < 0.0f)
        std::swap(b, c);
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
}

void MeshBuilder::addQuad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void MeshBuilder::addSlab(std::vector<glm::vec2> outline, float zBottom, float zTop, const UvMap& uv,
                          const glm::vec3& origin, const glm::mat3& frame) {
    if (outline.size() < 3)
        throw std::invalid_argument("mesh " + mesh.name + ": a slab needs at least three outline points");
    float twiceArea = 0.0f;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const glm::vec2& p = outline[i];
        const glm::vec2& q = outline[(i + 1) % outline.size()];
        twiceArea += p.x * q.y - q.x * p.y;
    }
    if (twiceArea < 0.0f)
        std::reverse(outline.begin(), outline.end());

    for (float z : {zBottom, zTop}) {
        const glm::vec3 normal = frame * glm::vec3(0.0f, 0.0f, z == zTop ? 1.0f : -1.0f);
        std::vector<std::uint32_t> ring;
        for (const glm::vec2& p : outline) {
            const glm::vec3 position = origin + frame * glm::vec3(p, z);
            ring.push_back(addVertex(position, normal, uv(position, normal)));
        }
        for (std::size_t i = 1; i + 1 < ring.size(); ++i)
            addTriangle(ring[0], ring[i], ring[i + 1]);
    }
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const glm::vec2& p = outline[i];
        const glm::vec2& q = outline[(i + 1) % outline.size()];
        const glm::vec3 localNormal(q.y - p.y, p.x - q.x, 0.0f);
        if (glm::length(localNormal) < 1e-9f)
            continue;
        const glm::vec3 normal = frame * localNormal;
        std::array<glm::vec3, 4> corners{glm::vec3(p, zBottom), glm::vec3(q, zBottom), glm::vec3(q, zTop),
                                         glm::vec3(p, zTop)};
        for (glm::vec3& corner : corners)
            corner = origin + frame * corner;
        std::array<std::uint32_t, 4> ids{};
        for (int k = 0; k < 4; ++k)
            ids[k] = addVertex(corners[k], normal, uv(corners[k], glm::normalize(normal)));
        addQuad(ids[0], ids[1], ids[2], ids[3]);
    }
}

void MeshBuilder::addLathe(const std::vector<glm::vec2>& profile, int segments, const glm::vec3& centre,
                           const UvMap& uv, const glm::mat3& frame) {
    if (profile.size() < 2 || segments < 3)
        throw std::invalid_argument("mesh " + mesh.name +
                                    ": a lathe needs two profile points and three segments");
    for (std::size_t i = 0; i + 1 < profile.size(); ++i) {
        const glm::vec2 from = profile[i];
        const glm::vec2 to = profile[i + 1];
        const glm::vec2 along = to - from;
        if (glm::length(along) < 1e-9f)
            continue;
        // Outside to the right of the profile direction in the (radius, height) half-plane.
        const glm::vec2 outward = glm::normalize(glm::vec2(along.y, -along.x));
        std::vector<std::uint32_t> lower;
        std::vector<std::uint32_t> upper;
        for (int s = 0; s <= segments; ++s) {
            const float angle = glm::two_pi<float>() * static_cast<float>(s % segments) / segments;
            const glm::vec3 radial(std::cos(angle), std::sin(angle), 0.0f);
            const glm::vec3 normal = frame * (radial * outward.x + glm::vec3(0.0f, 0.0f, outward.y));
            const glm::vec3 a = centre + frame * (radial * from.x + glm::vec3(0.0f, 0.0f, from.y));
            const glm::vec3 b = centre + frame * (radial * to.x + glm::vec3(0.0f, 0.0f, to.y));
            lower.push_back(addVertex(a, normal, uv(a, normal)));
            upper.push_back(addVertex(b, normal, uv(b, normal)));
        }
        for (int s = 0; s < segments; ++s)
            addQuad(lower[s], lower[s + 1], upper[s + 1], upper[s]);
    }
}

void MeshBuilder::addTorus(const glm::vec3& centre, const glm::mat3& frame, float majorRadius,
                           float minorRadius, int majorSegments, int minorSegments, const UvMap& uv) {
    if (majorSegments < 3 || minorSegments < 3 || minorRadius <= 0.0f || majorRadius <= minorRadius)
        throw std::invalid_argument("mesh " + mesh.name + ": torus needs 3 segments each way and R > r > 0");
    std::vector<std::uint32_t> grid;
    for (int i = 0; i <= majorSegments; ++i) {
        const float u = glm::two_pi<float>() * static_cast<float>(i % majorSegments) / majorSegments;
        for (int j = 0; j <= minorSegments; ++j) {
            const float v = glm::two_pi<float>() * static_cast<float>(j % minorSegments) / minorSegments;
            const glm::vec3 localNormal(std::cos(v) * std::cos(u), std::sin(v), std::cos(v) * std::sin(u));
            const glm::vec3 localCentre(majorRadius * std::cos(u), 0.0f, majorRadius * std::sin(u));
            const glm::vec3 position = centre + frame * (localCentre + minorRadius * localNormal);
            const glm::vec3 normal = frame * localNormal;
            grid.push_back(addVertex(position, normal, uv(position, glm::normalize(normal))));
        }
    }
    const int stride = minorSegments + 1;
    for (int i = 0; i < majorSegments; ++i)
        for (int j = 0; j < minorSegments; ++j)
            addQuad(grid[i * stride + j], grid[(i + 1) * stride + j], grid[(i + 1) * stride + j + 1],
                    grid[i * stride + j + 1]);
}

void MeshBuilder::addEllipsoid(const glm::vec3& centre, const glm::vec3& radii, int subdivisions,
                               const UvMap& uv, bool upperHalf) {
    if (subdivisions < 0 || subdivisions > 6 || radii.x <= 0.0f || radii.y <= 0.0f || radii.z <= 0.0f)
        throw std::invalid_argument("mesh " + mesh.name +
                                    ": ellipsoid needs positive radii and 0..6 subdivisions");
    using Triangle = std::array<glm::vec3, 3>;
    const glm::vec3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    std::vector<Triangle> triangles{{x, y, z}, {y, -x, z}, {-x, -y, z}, {-y, x, z}};
    if (!upperHalf)
        triangles.insert(triangles.end(), {{y, x, -z}, {-x, y, -z}, {-y, -x, -z}, {x, -y, -z}});
    for (int level = 0; level < subdivisions; ++level) {
        std::vector<Triangle> finer;
        for (const Triangle& t : triangles) {
            const glm::vec3 ab = glm::normalize(t[0] + t[1]);
            const glm::vec3 bc = glm::normalize(t[1] + t[2]);
            const glm::vec3 ca = glm::normalize(t[2] + t[0]);
            finer.push_back({t[0], ab, ca});
            finer.push_back({ab, t[1], bc});
            finer.push_back({ca, bc, t[2]});
            finer.push_back({ab, bc, ca});
        }
        triangles = std::move(finer);
    }
    for (const Triangle& t : triangles) {
        std::array<std::uint32_t, 3> ids{};
        for (int k = 0; k < 3; ++k) {
            const glm::vec3 position = centre + radii * t[k];
            const glm::vec3 normal = glm::normalize(t[k] / radii);
            ids[k] = addVertex(position, normal, uv(position, normal));
        }
        addTriangle(ids[0], ids[1], ids[2]);
    }
}

MeshData MeshBuilder::buildWithoutUv() const {
    MeshData copy = mesh;
    copy.uvs.clear();
    return copy;
}

UvMap constantUv(const glm::vec2& uv) {
    return [uv](const glm::vec3&, const glm::vec3&) { return uv; };
}

} // namespace tavo::assetgen
