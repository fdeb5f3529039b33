#pragma once
#include "tools/assetgen/Model.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavo::assetgen {

// Texture coordinates for a point of a primitive, from its position and normal in mesh coordinates.
using UvMap = std::function<glm::vec2(const glm::vec3& position, const glm::vec3& normal)>;

// Collects the vertices and triangles of one mesh. Every primitive writes its own vertices with exact
// normals, so hard edges stay hard and curved surfaces stay smooth.
class MeshBuilder {
public:
    MeshBuilder(std::string name, std::string material);

    std::uint32_t addVertex(const glm::vec3& position, const glm::vec3& normal,
                            const glm::vec2& uv = glm::vec2(0.0f));

    // The triangle is wound to face the side its corner normals point to, so no primitive can get its winding
    // wrong; a triangle without area is dropped (it would only carry a zero face normal).
    void addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c);
    void addQuad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);

    // A convex outline in the local x-y plane extruded from zBottom to zTop along local z, each face
    // flat-shaded. Local points land at origin + frame * local (frame columns: the local axes in mesh
    // coordinates, a rotation).
    void addSlab(std::vector<glm::vec2> outline, float zBottom, float zTop, const UvMap& uv,
                 const glm::vec3& origin = glm::vec3(0.0f), const glm::mat3& frame = glm::mat3(1.0f));

    // The profile (radius, height) revolved about the local z axis through `centre`. Give the profile so that
    // the outside lies to its right (bottom centre outwards, up the side, top inwards); each profile segment
    // is its own smooth band, so corners of the profile stay sharp.
    void addLathe(const std::vector<glm::vec2>& profile, int segments, const glm::vec3& centre,
                  const UvMap& uv, const glm::mat3& frame = glm::mat3(1.0f));

    // A torus around the local y axis of `frame` (columns: local axes in mesh coordinates).
    void addTorus(const glm::vec3& centre, const glm::mat3& frame, float majorRadius, float minorRadius,
                  int majorSegments, int minorSegments, const UvMap& uv);

    // An ellipsoid from an octahedron split `subdivisions` times: no poles, so no degenerate triangles. With
    // `upperHalf` only the part with local z >= 0 is made, closed by nothing (a dome on a surface).
    void addEllipsoid(const glm::vec3& centre, const glm::vec3& radii, int subdivisions, const UvMap& uv,
                      bool upperHalf = false);
    void addSphere(const glm::vec3& centre, float radius, int subdivisions, const UvMap& uv) {
        addEllipsoid(centre, glm::vec3(radius), subdivisions, uv);
    }

    std::size_t vertexCount() const { return mesh.positions.size(); }
    MeshData build() const { return mesh; }
    // For meshes drawn with the colour program, which never reads texture coordinates.
    MeshData buildWithoutUv() const;

private:
    MeshData mesh;
};

// A UV map that gives every point the same coordinates: for parts painted in one flat colour.
UvMap constantUv(const glm::vec2& uv);

} // namespace tavo::assetgen
