#pragma once
// Small model files for the game-object tests, written in the game's scheme (z up, one geometry per mesh).
#include "support/GlContext.h"
#include "support/TestModels.h"

#include <glm/glm.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace worlddata {

// Model-space height of the terrain surface over model (x, y); world height = 10 z - 300 in the game's pose.
using HeightField = std::function<float(float x, float y)>;

inline float flatValley(float, float) {
    return 16.0f;
} // world -140

// One 200 x 200 piece centred at model (cx, cy), cells x cells quads, normals from the height's slope.
inline TestMesh terrainPiece(const std::string& name, float cx, float cy, const HeightField& height,
                             int cells) {
    TestMesh mesh;
    mesh.name = name;
    mesh.diffuse = glm::vec3(0.35f, 0.5f, 0.25f);
    mesh.specular = glm::vec3(0.05f);
    mesh.shininess = 4.0f;
    const float step = 200.0f / cells;
    auto point = [&](int i, int j) {
        const float x = cx - 100.0f + i * step, y = cy - 100.0f + j * step;
        return glm::vec3(x, y, height(x, y));
    };
    auto normal = [&](const glm::vec3& p) {
        const float e = 0.5f;
        return glm::normalize(glm::vec3(-(height(p.x + e, p.y) - height(p.x - e, p.y)) / (2 * e),
                                        -(height(p.x, p.y + e) - height(p.x, p.y - e)) / (2 * e), 1.0f));
    };
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const glm::vec3 a = point(i, j), b = point(i + 1, j), c = point(i + 1, j + 1),
                            d = point(i, j + 1);
            for (const glm::vec3& p : {a, b, c, a, c, d}) {
                mesh.positions.push_back(p);
                mesh.normals.push_back(normal(p));
            }
        }
    return mesh;
}

struct PiecePlace {
    const char* name;
    float cx, cy;
};

// The nine pieces in the game's slot order, at their model-space grid places.
inline std::vector<PiecePlace> allPieces() {
    return {{"Grid_right", 0, 200},         {"Grid_bottomright", 200, 200},
            {"Grid_bottomleft", 200, -200}, {"Grid_topright", -200, 200},
            {"Grid_topleft", -200, -200},   {"Grid_top", -200, 0},
            {"Grid_bottom", 200, 0},        {"Grid", 0, 0},
            {"Grid_left", 0, -200}};
}

inline void writeTerrain(const std::string& path, const std::vector<PiecePlace>& pieces,
                         const HeightField& height, int cells = 8) {
    std::vector<TestMesh> meshes;
    for (const PiecePlace& piece : pieces)
        meshes.push_back(terrainPiece(piece.name, piece.cx, piece.cy, height, cells));
    writeCollada(path, meshes);
}

// A closed box of 12 triangles centred at c with half sizes h, texture coordinates on every face.
inline TestMesh box(const std::string& name, glm::vec3 c, glm::vec3 h) {
    TestMesh mesh;
    mesh.name = name;
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            glm::vec3 n(0.0f);
            n[axis] = side;
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            auto corner = [&](float su, float sv) {
                glm::vec3 p = c;
                p[axis] += side * h[axis];
                p[u] += su * h[u];
                p[v] += sv * h[v] * side;
                return p;
            };
            const glm::vec3 q[4] = {corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1)};
            const glm::vec2 t[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (int k : {0, 1, 2, 0, 2, 3}) {
                mesh.positions.push_back(q[k]);
                mesh.normals.push_back(n);
                mesh.uvs.push_back(t[k]);
            }
        }
    return mesh;
}

inline std::vector<std::string> jetPartNames() {
    return {"Plane",        "wing_left",     "wing_right", "rearWing_left", "rearWing_right",
            "topWing_left", "topWing_right", "hat",        "window"};
}

// The jet's nine parts as boxes; a part listed in missing is left out of the file.
inline void writeJet(const std::string& path, const std::vector<std::string>& missing = {}) {
    std::vector<TestMesh> meshes;
    for (const std::string& name : jetPartNames()) {
        if (std::find(missing.begin(), missing.end(), name) != missing.end())
            continue;
        if (name == "Plane")
            meshes.push_back(box(name, glm::vec3(0), glm::vec3(1.0f, 8.0f, 1.0f)));
        else if (name == "window")
            meshes.push_back(box(name, glm::vec3(0, 2.5f, 1.2f), glm::vec3(0.5f, 1.0f, 0.3f)));
        else
            meshes.push_back(box(name, glm::vec3(0, -0.5f, 0.2f), glm::vec3(0.5f, 0.5f, 0.1f)));
    }
    writeCollada(path, meshes);
}

// Triangles that a draw call submits, counted by the GL.
template <class Draw> GLuint primitivesDrawn(Draw&& draw) {
    GLuint query = 0, count = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    return count;
}

// A chdir into the game's run folder for tests whose paths are relative, as the game's are.
inline void enterRunFolder() {
    ASSERT_EQ(chdir(WINDLAP_RUN_DIR), 0);
}

} // namespace worlddata
