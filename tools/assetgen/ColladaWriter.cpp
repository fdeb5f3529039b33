#include "tools/assetgen/ColladaWriter.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <stdexcept>
#include <system_error>

namespace tavo::assetgen {

namespace {

// Names become XML ids and attribute values unescaped, so only plain identifiers are allowed; the '-' that
// the writer uses in its own ids (node-, mat-, fx-, -positions) can then never collide with a mesh name.
bool isPlainIdentifier(const std::string& name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

bool isFinite(const glm::vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Shortest text that reads back to the same float, independent of the locale.
void appendFloat(std::string& out, float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendFloats(std::string& out, const float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        appendFloat(out, values[i]);
    }
}

void appendColor(std::string& out, const glm::vec3& color) {
    appendFloats(out, &color.x, 3);
    out += " 1";
}

void appendSource(std::string& out, const std::string& id, const float* values, std::size_t count, int stride,
                  const char* params) {
    out += "      <source id=\"" + id + "\"><float_array id=\"" + id + "-array\" count=\"" +
           std::to_string(count * stride) + "\">";
    appendFloats(out, values, count * stride);
    out += "</float_array>\n        <technique_common><accessor source=\"#" + id + "-array\" count=\"" +
           std::to_string(count) + "\" stride=\"" + std::to_string(stride) + "\">";
    for (const char* p = params; *p; ++p)
        out += std::string("<param name=\"") + *p + "\" type=\"float\"/>";
    out += "</accessor></technique_common></source>\n";
}

} // namespace

std::string ColladaWriter::check(const Model& model) {
    if (model.meshes.empty())
        return "the model has no meshes";
    std::set<std::string> materialIds;
    for (const Material& material : model.materials) {
        if (!isPlainIdentifier(material.id))
            return "material id \"" + material.id + "\" is not a plain identifier (letters, digits, '_')";
        if (!materialIds.insert(material.id).second)
            return "material id \"" + material.id + "\" is used twice";
        if (!isFinite(material.diffuse) || !isFinite(material.specular) || !std::isfinite(material.shininess))
            return "material \"" + material.id + "\" has a value that is not a finite number";
    }
    std::set<std::string> meshNames;
    for (const MeshData& mesh : model.meshes) {
        const std::string what = "mesh \"" + mesh.name + "\"";
        if (!isPlainIdentifier(mesh.name))
            return what + ": the name is not a plain identifier (letters, digits, '_')";
        if (!meshNames.insert(mesh.name).second)
            return what + ": the name is used twice (the game looks meshes up by name)";
        if (materialIds.count(mesh.material) == 0)
            return what + ": material \"" + mesh.material + "\" is not defined in the model";
        if (mesh.positions.empty() || mesh.indices.empty())
            return what + ": no vertices or no triangles";
        if (mesh.indices.size() % 3 != 0)
            return what + ": the index count " + std::to_string(mesh.indices.size()) +
                   " is not a multiple of 3";
        if (mesh.normals.size() != mesh.positions.size())
            return what + ": " + std::to_string(mesh.normals.size()) + " normals for " +
                   std::to_string(mesh.positions.size()) + " positions";
        if (!mesh.uvs.empty() && mesh.uvs.size() != mesh.positions.size())
            return what + ": " + std::to_string(mesh.uvs.size()) + " texture coordinates for " +
                   std::to_string(mesh.positions.size()) + " positions";
        for (std::uint32_t index : mesh.indices)
            if (index >= mesh.positions.size())
                return what + ": index " + std::to_string(index) + " is past the last of " +
                       std::to_string(mesh.positions.size()) + " vertices";
        for (std::size_t i = 0; i < mesh.positions.size(); ++i)
            if (!isFinite(mesh.positions[i]) || !isFinite(mesh.normals[i]))
                return what + ": vertex " + std::to_string(i) + " is not a finite number";
        for (const glm::vec2& uv : mesh.uvs)
            if (!std::isfinite(uv.x) || !std::isfinite(uv.y))
                return what + ": a texture coordinate is not a finite number";
    }
    return {};
}

std::string ColladaWriter::toXml(const Model& model) {
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
           "  <asset><contributor><authoring_tool>Windlap assetgen</authoring_tool></contributor>"
           "<created>2024-01-01T00:00:00</created><modified>2024-01-01T00:00:00</modified>"
           "<unit name=\"meter\" meter=\"1\"/><up_axis>Z_UP</up_axis></asset>\n";

    out += "  <library_effects>\n";
    for (const Material& material : model.materials) {
        out +=
            "    <effect id=\"fx-" + material.id + "\"><profile_COMMON><technique sid=\"common\"><phong>\n";
        out += "      <diffuse><color sid=\"diffuse\">";
        appendColor(out, material.diffuse);
        out += "</color></diffuse>\n      <specular><color sid=\"specular\">";
        appendColor(out, material.specular);
        out += "</color></specular>\n      <shininess><float sid=\"shininess\">";
        appendFloat(out, material.shininess);
        out += "</float></shininess>\n    </phong></technique></profile_COMMON></effect>\n";
    }
    out += "  </library_effects>\n  <library_materials>\n";
    for (const Material& material : model.materials)
        out += "    <material id=\"mat-" + material.id + "\" name=\"mat-" + material.id +
               "\"><instance_effect url=\"#fx-" + material.id + "\"/></material>\n";
    out += "  </library_materials>\n  <library_geometries>\n";

    for (const MeshData& mesh : model.meshes) {
        const std::string& n = mesh.name;
        out += "    <geometry id=\"" + n + "\" name=\"" + n + "\"><mesh>\n";
        appendSource(out, n + "-positions", &mesh.positions[0].x, mesh.positions.size(), 3, "XYZ");
        appendSource(out, n + "-normals", &mesh.normals[0].x, mesh.normals.size(), 3, "XYZ");
        if (!mesh.uvs.empty())
            appendSource(out, n + "-uv", &mesh.uvs[0].x, mesh.uvs.size(), 2, "ST");
        out += "      <vertices id=\"" + n + "-vertices\"><input semantic=\"POSITION\" source=\"#" + n +
               "-positions\"/></vertices>\n";
        // Every attribute shares one index per corner (offset 0): Assimp unrolls the corners either way.
        out += "      <triangles material=\"" + mesh.material + "\" count=\"" +
               std::to_string(mesh.triangleCount()) + "\">\n        <input semantic=\"VERTEX\" source=\"#" +
               n + "-vertices\" offset=\"0\"/><input semantic=\"NORMAL\" source=\"#" + n +
               "-normals\" offset=\"0\"/>";
        if (!mesh.uvs.empty())
            out += "<input semantic=\"TEXCOORD\" source=\"#" + n + "-uv\" offset=\"0\" set=\"0\"/>";
        out += "\n        <p>";
        for (std::size_t i = 0; i < mesh.indices.size(); ++i) {
            if (i > 0)
                out += ' ';
            out += std::to_string(mesh.indices[i]);
        }
        out += "</p>\n      </triangles>\n    </mesh></geometry>\n";
    }
    out += "  </library_geometries>\n  <library_visual_scenes>\n    <visual_scene id=\"visual-scene\" "
           "name=\"visual-scene\">\n";
    for (const MeshData& mesh : model.meshes)
        out += "      <node id=\"node-" + mesh.name + "\" name=\"node-" + mesh.name +
               "\" type=\"NODE\"><instance_geometry url=\"#" + mesh.name +
               "\"><bind_material><technique_common><instance_material symbol=\"" + mesh.material +
               "\" target=\"#mat-" + mesh.material +
               "\"/></technique_common></bind_material></instance_geometry></node>\n";
    out += "    </visual_scene>\n  </library_visual_scenes>\n"
           "  <scene><instance_visual_scene url=\"#visual-scene\"/></scene>\n</COLLADA>\n";
    return out;
}

void ColladaWriter::write(const Model& model, const std::filesystem::path& path) {
    const std::string problem = check(model);
    if (!problem.empty())
        throw std::runtime_error(path.string() + ": " + problem);
    const std::string xml = toXml(model);

    std::filesystem::path partial = path;
    partial += ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (!file)
            throw std::runtime_error("cannot create " + partial.string() + ": " + std::strerror(errno));
        file.write(xml.data(), static_cast<std::streamsize>(xml.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw std::runtime_error("cannot write " + partial.string() + " (disk full?)");
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw std::runtime_error("cannot move " + partial.string() + " to " + path.string() + ": " +
                                 error.message());
    }
}

} // namespace tavo::assetgen
