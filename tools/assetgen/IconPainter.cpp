#include "tools/assetgen/IconPainter.h"

#include "tools/assetgen/AircraftModel.h"
#include "tools/assetgen/AircraftPainter.h"

#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tavo::assetgen {

namespace {

// One drawn point of the jet, in icon coordinates (x right, y up, z towards the viewer).
struct Vertex {
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec2 uv;
};

// The jet as the icon shows it: every mesh the game draws on a fresh start (the hat is worn only once
// collected), moving parts at their pivots, banked a little and turned so that the nose points to the upper
// right.
std::vector<Vertex> posedJet() {
    const glm::mat4 pose = glm::rotate(glm::mat4(1.0f), -glm::quarter_pi<float>(), glm::vec3(0, 0, 1)) *
                           glm::rotate(glm::mat4(1.0f), 0.35f, glm::vec3(1, 0, 0)) *
                           glm::rotate(glm::mat4(1.0f), 0.3f, glm::vec3(0, 1, 0));
    const glm::mat3 turn(pose);
    std::vector<Vertex> triangles;
    for (const MeshData& mesh : makeAircraftModel().meshes) {
        if (mesh.name == "hat")
            continue;
        glm::vec3 pivot(0.0f);
        for (const AircraftPart& part : aircraftPivotParts)
            if (mesh.name == part.name)
                pivot = part.pivot;
        for (std::uint32_t index : mesh.indices)
            triangles.push_back({glm::vec3(pose * glm::vec4(mesh.positions[index] + pivot, 1.0f)),
                                 glm::normalize(turn * mesh.normals[index]),
                                 mesh.uvs.empty() ? glm::vec2(0.0f) : mesh.uvs[index]});
    }
    return triangles;
}

glm::vec3 texel(const Image& image, glm::vec2 uv) {
    const int x = std::clamp(static_cast<int>(uv.x * image.width()), 0, image.width() - 1);
    const int row = std::clamp(static_cast<int>(uv.y * image.height()), 0, image.height() - 1);
    return glm::vec3(image.get(x, row));
}

// The picture drawn at `samples` x `samples` points before it is averaged down to the icon's pixels.
struct Canvas {
    int samples;
    std::vector<glm::vec3> colour;
    std::vector<float> depth;
    std::vector<bool> jet;

    explicit Canvas(int n)
        : samples(n), colour(static_cast<std::size_t>(n) * n, glm::vec3(0.0f)),
          depth(colour.size(), -std::numeric_limits<float>::infinity()), jet(colour.size(), false) {}
    std::size_t at(int x, int row) const { return static_cast<std::size_t>(row) * samples + x; }
};

float edge(glm::vec2 a, glm::vec2 b, glm::vec2 p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

// Draws the jet into the canvas with a depth test: its atlas colour under a sun from the upper left, a
// little sheen, and the glow mask added on top, so the nozzles burn as they do in the game.
void drawJet(Canvas& canvas, float jetRadius) {
    const std::vector<Vertex> triangles = posedJet();
    glm::vec2 low(std::numeric_limits<float>::max()), high(-std::numeric_limits<float>::max());
    for (const Vertex& vertex : triangles) {
        low = glm::min(low, glm::vec2(vertex.position));
        high = glm::max(high, glm::vec2(vertex.position));
    }
    const glm::vec2 centre = 0.5f * (low + high);
    float reach = 0.0f;
    for (const Vertex& vertex : triangles)
        reach = std::max(reach, glm::length(glm::vec2(vertex.position) - centre));
    const float n = static_cast<float>(canvas.samples);
    const float scale = jetRadius * n / reach;
    auto toCanvas = [&](const glm::vec3& p) { return (glm::vec2(p) - centre) * scale + 0.5f * n; };

    const Image paint = paintAircraftColour(512);
    const Image glow = paintAircraftGlow(256);
    const glm::vec3 sun = glm::normalize(glm::vec3(-0.5f, 0.6f, 0.7f));
    for (std::size_t first = 0; first + 2 < triangles.size(); first += 3) {
        const Vertex* v = &triangles[first];
        const glm::vec2 a = toCanvas(v[0].position), b = toCanvas(v[1].position), c = toCanvas(v[2].position);
        const float area = edge(a, b, c);
        if (std::fabs(area) < 1e-6f)
            continue;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
        const int x1 = std::min(canvas.samples - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
        const int y1 = std::min(canvas.samples - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int row = y0; row <= y1; ++row)
            for (int x = x0; x <= x1; ++x) {
                const glm::vec2 p(x + 0.5f, row + 0.5f);
                const glm::vec3 weight = glm::vec3(edge(b, c, p), edge(c, a, p), edge(a, b, p)) / area;
                if (weight.x < 0.0f || weight.y < 0.0f || weight.z < 0.0f)
                    continue;
                const float z =
                    weight.x * v[0].position.z + weight.y * v[1].position.z + weight.z * v[2].position.z;
                const std::size_t i = canvas.at(x, row);
                if (z <= canvas.depth[i])
                    continue;
                glm::vec3 normal =
                    glm::normalize(weight.x * v[0].normal + weight.y * v[1].normal + weight.z * v[2].normal);
                // Inner faces seen through a gap are lit as if they faced the viewer.
                if (normal.z < 0.0f)
                    normal = -normal;
                const glm::vec2 uv = weight.x * v[0].uv + weight.y * v[1].uv + weight.z * v[2].uv;
                const float diffuse = std::max(0.0f, glm::dot(normal, sun));
                const glm::vec3 half = glm::normalize(sun + glm::vec3(0, 0, 1));
                const float sheen = 0.35f * std::pow(std::max(0.0f, glm::dot(normal, half)), 24.0f);
                canvas.colour[i] =
                    texel(paint, uv) * (0.38f + 0.8f * diffuse) + glm::vec3(sheen) + texel(glow, uv);
                canvas.depth[i] = z;
                canvas.jet[i] = true;
            }
    }
}

} // namespace

Image paintIcon(int size) {
    if (size < 16 || size > 1024)
        throw std::invalid_argument("icon size " + std::to_string(size) + " is outside 16..1024");
    // Enough samples per pixel that the small icon is as smooth as the large one.
    const int perPixel = std::clamp(1024 / size, 3, 16);
    Canvas canvas(size * perPixel);
    const float n = static_cast<float>(canvas.samples);
    drawJet(canvas, 0.49f);

    // The badge behind the jet: a sky that lightens towards the top inside a white rim, and the jet's shadow
    // falling to the lower right.
    const float badge = 0.43f * n;
    const float rim = 0.035f * n;
    const int shadowOffset = static_cast<int>(0.03f * n);
    std::vector<float> alpha(canvas.colour.size(), 0.0f);
    for (int row = 0; row < canvas.samples; ++row)
        for (int x = 0; x < canvas.samples; ++x) {
            const std::size_t i = canvas.at(x, row);
            if (canvas.jet[i]) {
                alpha[i] = 1.0f;
                continue;
            }
            const glm::vec2 d = glm::vec2(x + 0.5f, row + 0.5f) - 0.5f * n;
            const float r = glm::length(d);
            if (r > badge)
                continue;
            const float height = 0.5f + 0.5f * d.y / badge;
            glm::vec3 sky = glm::mix(glm::vec3(0.13f, 0.36f, 0.68f), glm::vec3(0.55f, 0.78f, 0.96f), height);
            const int sx = x - shadowOffset, srow = row + shadowOffset;
            if (sx >= 0 && srow < canvas.samples && canvas.jet[canvas.at(sx, srow)])
                sky *= 0.62f;
            canvas.colour[i] = r > badge - rim ? glm::vec3(0.96f) : sky;
            alpha[i] = 1.0f;
        }

    Image icon(size, size, 4);
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x) {
            glm::vec3 sum(0.0f);
            float covered = 0.0f;
            for (int sy = 0; sy < perPixel; ++sy)
                for (int sx = 0; sx < perPixel; ++sx) {
                    const std::size_t i = canvas.at(x * perPixel + sx, row * perPixel + sy);
                    sum += alpha[i] * canvas.colour[i];
                    covered += alpha[i];
                }
            // Colours averaged over the covered samples only, so the silhouette does not darken at its edge.
            const glm::vec3 rgb = covered > 0.0f ? sum / covered : glm::vec3(0.0f);
            icon.set(x, row, glm::vec4(rgb, covered / static_cast<float>(perPixel * perPixel)));
        }
    return icon;
}

void writeIcons(const std::filesystem::path& folder) {
    for (int size : {256, 48}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        std::error_code error;
        std::filesystem::create_directories(folder / name, error);
        if (error)
            throw std::runtime_error("cannot make the folder " + (folder / name).string() + ": " +
                                     error.message());
        saveImage(paintIcon(size), folder / name / "windlap.png");
    }
}

} // namespace tavo::assetgen
