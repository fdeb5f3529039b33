#include "tools/preview/ModelTiles.h"

#include "render/GlState.h"
#include "render/Mesh.h"
#include "render/Shader.h"
#include "scene/GameObject.h"
#include "scene/Plane.h"
#include "tools/preview/TileCamera.h"

#include <glm/gtc/type_ptr.hpp>

#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavo::preview {

namespace {

using scene::GameObject;
using scene::Mesh;

// The sun and fill light the game sets up (app/SceneAssembly.cpp).
const glm::vec3 sunDirection = glm::normalize(glm::vec3(1.0f, -0.5f, 1.0f));
const glm::vec3 sunColour(1.0f, 0.9f, 0.8f);
const float ambient = 0.1f;

// From in front of the jet's nose, to its left and above, on the sunny side (the sun travels along
// sunDirection), so every model shows its lit faces.
const glm::vec3 threeQuarter(-1.0f, 0.7f, -0.75f);
// The jet's glow comes mostly from its nozzles: its glow output is shown from behind.
const glm::vec3 fromBehind(0.9f, 0.6f, 1.0f);
const glm::vec3 fromAbove(0.0f, 1.0f, 0.0f);
const glm::vec3 background(0.50f, 0.56f, 0.63f);

void requireReadable(const std::string& path) {
    if (access(path.c_str(), R_OK) != 0)
        throw std::runtime_error("cannot read " + path);
}

// A lit program with the constant uniforms the game sets once: sun, fill and an unused shadow matrix (with no
// shadow map on unit 2 the programs light everything).
struct LitProgram {
    LitProgram(ShaderType type, const std::string& name)
        : shader(type, "./Shader/" + name + ".vert", "./Shader/" + name + ".frag") {
        const GLuint program = shader.programId;
        viewLoc = glGetUniformLocation(program, "view");
        projectionLoc = glGetUniformLocation(program, "projection");
        glUseProgram(program);
        glUniform3fv(glGetUniformLocation(program, "sunDirection"), 1, glm::value_ptr(sunDirection));
        glUniform3fv(glGetUniformLocation(program, "sunColor"), 1, glm::value_ptr(sunColour));
        glUniform1f(glGetUniformLocation(program, "ambient"), ambient);
        const glm::mat4 identity(1.0f);
        glUniformMatrix4fv(glGetUniformLocation(program, "M_Vl_Pl_L_Matrix"), 1, GL_FALSE,
                           glm::value_ptr(identity));
    }

    void use(const TileCamera& camera, float glow) const {
        glUseProgram(shader.programId);
        glUniformMatrix4fv(viewLoc, 1, GL_FALSE, glm::value_ptr(camera.view));
        glUniformMatrix4fv(projectionLoc, 1, GL_FALSE, glm::value_ptr(camera.projection));
        if (shader.glowLoc >= 0)
            glUniform1f(shader.glowLoc, glow);
    }

    Shader shader;
    GLint viewLoc = -1;
    GLint projectionLoc = -1;
};

// A mesh and the model matrix it is drawn with.
struct Part {
    Mesh* mesh;
    glm::mat4 model;
};

// The mesh's vertices as uploaded, turned into world space: the imported scene is not kept, the buffer is.
void addToBounds(const Part& part, Bounds& box) {
    GLint bytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, part.mesh->positionBuffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    std::vector<glm::vec3> positions(static_cast<size_t>(bytes) / sizeof(glm::vec3));
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(positions.size() * sizeof(glm::vec3)),
                       positions.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (const glm::vec3& p : positions)
        box.add(glm::vec3(part.model * glm::vec4(p, 1.0f)));
}

Bounds boundsOf(const std::vector<Part>& parts) {
    Bounds box;
    for (const Part& part : parts)
        addToBounds(part, box);
    return box;
}

std::string triangles(const std::vector<Part>& parts) {
    unsigned int count = 0;
    for (const Part& part : parts)
        count += part.mesh->indexCount / 3;
    return std::to_string(count) + " triangles";
}

std::unique_ptr<GameObject> loadModel(const std::string& path, Shader* shader) {
    requireReadable(path);
    // At model scale, not the game's: the haze depends on distance and would wash out the large terrain.
    auto model = std::make_unique<GameObject>(glm::mat4(1.0f), shader, path);
    if (model->meshes.empty())
        throw std::runtime_error("cannot read " + path + ": Assimp finds no meshes in it");
    return model;
}

class ModelSheet {
public:
    explicit ModelSheet(OffscreenTarget& target)
        : target(target), colour(COLOR, "color"), textured(BASIC, "basic") {}

    // The parts framed together and drawn with the program's per-mesh materials; "output" 1 reads the glow.
    void add(const std::string& label, const std::vector<Part>& parts, const glm::vec3& toward,
             float glow = 0.0f, int output = 0) {
        if (parts.empty())
            return;
        const LitProgram& program = parts.front().mesh->shader->type == BASIC ? textured : colour;
        target.begin(background);
        program.use(frameBounds(boundsOf(parts), toward), glow);
        for (const Part& part : parts) {
            glUniformMatrix4fv(program.shader.modelLoc, 1, GL_FALSE, glm::value_ptr(part.model));
            part.mesh->drawWithShader();
        }
        tiles.push_back(target.read(output, label));
    }

    // The mesh with this name, or a warning (the sheet is still useful without it).
    std::vector<Part> named(const GameObject& model, const std::string& file, const std::string& name) {
        const int index = model.findMesh(name);
        if (index < 0) {
            std::cerr << "preview: warning: " << file << " has no mesh named \"" << name << "\"" << std::endl;
            return {};
        }
        return {{model.meshes[static_cast<size_t>(index)].get(), model.modelMatrix}};
    }

    void terrain() {
        const auto model = loadModel("./Models/terrain.dae", &colour.shader);
        std::vector<Part> parts;
        for (const auto& mesh : model->meshes)
            parts.push_back({mesh.get(), model->modelMatrix});
        const std::string size = std::to_string(parts.size()) + " pieces, " + triangles(parts);
        add("terrain.dae\n" + size, parts, threeQuarter);
        add("terrain.dae from above\n(model +y at the top)", parts, fromAbove);
    }

    void ring() {
        const auto model = loadModel("./Models/Ring.dae", &colour.shader);
        for (size_t level = 0; level < model->meshes.size(); ++level) {
            const std::vector<Part> part{{model->meshes[level].get(), model->modelMatrix}};
            add("Ring.dae: " + part.front().mesh->name + "\nlevel " + std::to_string(level) + ", " +
                    triangles(part),
                part, threeQuarter);
        }
    }

    // The pickups glow as in the game: their meshes are drawn with "glow" at 1.
    void boost() {
        const std::string file = "boost.dae";
        const auto model = loadModel("./Models/" + file, &colour.shader);
        for (const char* name : {"can", "can_low", "effect"}) {
            const std::vector<Part> part = named(*model, file, name);
            if (!part.empty())
                add(file + ": " + name + "\n" + triangles(part), part, threeQuarter, 1.0f);
        }
        std::vector<Part> together = named(*model, file, "can_low");
        for (const Part& part : named(*model, file, "effect"))
            together.push_back(part);
        add(file + ": can_low + effect", together, threeQuarter, 1.0f);
        add(file + ": can_low + effect\nglow output", together, threeQuarter, 1.0f, 1);
    }

    void hat() {
        const std::string file = "hat.dae";
        const auto model = loadModel("./Models/" + file, &colour.shader);
        for (const char* name : {"hat", "hat_low"}) {
            const std::vector<Part> part = named(*model, file, name);
            if (!part.empty())
                add(file + ": " + name + "\n" + triangles(part), part, threeQuarter);
        }
    }

    void aircraft() {
        const std::string modelPath = "./Models/fa-18.dae";
        const std::string colourPath = "./Textures/fa-18-uv.png";
        const std::string glowPath = "./Textures/fa-18-glow.png";
        for (const std::string& path :
             {modelPath, colourPath, glowPath, std::string("./Shader/textureOverlay.vert"),
              std::string("./Shader/boost.frag")})
            requireReadable(path);
        // Without a physics world the jet stays at rest, with every part placed at its hinge.
        scene::Plane plane(glm::mat4(1.0f), &textured.shader, modelPath, colourPath, glowPath, nullptr);
        if (plane.meshes.empty())
            throw std::runtime_error("cannot read " + modelPath + ": Assimp finds no meshes in it");
        if (plane.diffuseTexture->textureId == 0)
            throw std::runtime_error("cannot read " + colourPath);
        if (plane.glowMap->textureId == 0)
            throw std::runtime_error("cannot read " + glowPath);
        for (const char* name : {"Plane", "wing_left", "wing_right", "rearWing_left", "rearWing_right",
                                 "topWing_left", "topWing_right", "hat", "window"})
            if (plane.findMesh(name) < 0)
                std::cerr << "preview: warning: fa-18.dae has no mesh named \"" << name << "\"" << std::endl;
        plane.wearsHat = true;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, plane.diffuseTexture->textureId);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, plane.glowMap->textureId);

        std::vector<Part> whole;
        for (const auto& mesh : plane.meshes)
            whole.push_back({mesh.get(), mesh->modelMatrix});
        const Bounds box = boundsOf(whole);
        for (int output = 0; output < 2; ++output) {
            target.begin(background);
            textured.use(frameBounds(box, output == 0 ? threeQuarter : fromBehind), 0.0f);
            // The game's own order: every part at its hinge, the canopy last.
            plane.drawWithShader();
            tiles.push_back(target.read(output, output == 0 ? "fa-18.dae, hat worn\n" + triangles(whole)
                                                            : "fa-18.dae from behind\nglow output"));
        }
        for (const Part& part : whole)
            add("fa-18.dae: " + part.mesh->name + "\n" + triangles({part}), {part}, threeQuarter);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    OffscreenTarget& target;
    LitProgram colour;
    LitProgram textured;
    std::vector<Tile> tiles;
};

} // namespace

std::vector<Tile> renderModelTiles(OffscreenTarget& target) {
    for (const char* name : {"color", "basic"})
        for (const char* stage : {".vert", ".frag"})
            requireReadable(std::string("./Shader/") + name + stage);
    // As the game draws: blending on, which the see-through canopy relies on.
    GlState::reset({true, true, GL_LESS, GL_FILL});
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    ModelSheet sheet(target);
    sheet.terrain();
    sheet.ring();
    sheet.boost();
    sheet.hat();
    sheet.aircraft();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return std::move(sheet.tiles);
}

} // namespace tavo::preview
