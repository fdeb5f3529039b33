#include "support/TestModels.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

TestMesh squareMesh(const std::string& name, float h, glm::vec3 c) {
    TestMesh mesh{name, {}, {}, {}};
    const glm::vec2 corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i : {0, 1, 2, 0, 2, 3}) {
        mesh.positions.push_back(c + glm::vec3((corners[i] * 2.0f - 1.0f) * h, 0.0f));
        mesh.normals.push_back(glm::vec3(0, 0, 1));
        mesh.uvs.push_back(corners[i]);
    }
    return mesh;
}

namespace {

template <typename V>
void writeSource(std::ostream& out, const std::string& id, const std::vector<V>& values, const char* params) {
    const int n = V::length();
    out << "<source id=\"" << id << "\"><float_array id=\"" << id << "-array\" count=\"" << values.size() * n
        << "\">";
    for (const V& v : values)
        for (int k = 0; k < n; ++k)
            out << v[k] << ' ';
    out << "</float_array><technique_common><accessor source=\"#" << id << "-array\" count=\""
        << values.size() << "\" stride=\"" << n << "\">";
    for (const char* p = params; *p; ++p)
        out << "<param name=\"" << *p << "\" type=\"float\"/>";
    out << "</accessor></technique_common></source>\n";
}

std::string colour(glm::vec3 c) {
    std::ostringstream out;
    out << "<color>" << c.r << ' ' << c.g << ' ' << c.b << " 1</color>";
    return out.str();
}

} // namespace

void writeCollada(const std::string& path, const std::vector<TestMesh>& meshes) {
    std::ostringstream out, effects, materials;
    for (const TestMesh& m : meshes)
        if (m.material) {
            effects << "<effect id=\"fx-" << m.name
                    << "\"><profile_COMMON><technique sid=\"t\"><phong><diffuse>" << colour(m.diffuse)
                    << "</diffuse><specular>" << colour(m.specular) << "</specular><shininess><float>"
                    << m.shininess << "</float></shininess></phong></technique></profile_COMMON></effect>\n";
            materials << "<material id=\"mat-" << m.name << "\"><instance_effect url=\"#fx-" << m.name
                      << "\"/></material>\n";
        }
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<COLLADA xmlns=\"http://www.collada.org/2005/11/"
           "COLLADASchema\" version=\"1.4.1\">\n<asset><up_axis>Z_UP</up_axis></asset>\n";
    if (!effects.str().empty())
        out << "<library_effects>\n"
            << effects.str() << "</library_effects>\n<library_materials>\n"
            << materials.str() << "</library_materials>\n";
    out << "<library_geometries>\n";
    for (const TestMesh& m : meshes) {
        out << "<geometry id=\"" << m.name << "\" name=\"" << m.name << "\"><mesh>\n";
        writeSource(out, m.name + "-positions", m.positions, "XYZ");
        if (!m.normals.empty())
            writeSource(out, m.name + "-normals", m.normals, "XYZ");
        if (!m.uvs.empty())
            writeSource(out, m.name + "-uv", m.uvs, "ST");
        out << "<vertices id=\"" << m.name << "-vertices\"><input semantic=\"POSITION\" source=\"#" << m.name
            << "-positions\"/></vertices>\n<triangles " << (m.material ? "material=\"paint\" " : "")
            << "count=\"" << m.positions.size() / 3 << "\"><input semantic=\"VERTEX\" source=\"#" << m.name
            << "-vertices\" offset=\"0\"/>";
        if (!m.normals.empty())
            out << "<input semantic=\"NORMAL\" source=\"#" << m.name << "-normals\" offset=\"0\"/>";
        if (!m.uvs.empty())
            out << "<input semantic=\"TEXCOORD\" source=\"#" << m.name << "-uv\" offset=\"0\" set=\"0\"/>";
        out << "<p>";
        for (size_t i = 0; i < m.positions.size(); ++i)
            out << i << ' ';
        out << "</p></triangles></mesh></geometry>\n";
    }
    out << "</library_geometries>\n<library_visual_scenes><visual_scene id=\"scene\">\n";
    for (const TestMesh& m : meshes) {
        out << "<node id=\"node-" << m.name << "\" name=\"node-" << m.name
            << "\" type=\"NODE\"><instance_geometry url=\"#" << m.name << "\">";
        if (m.material)
            out << "<bind_material><technique_common><instance_material symbol=\"paint\" target=\"#mat-"
                << m.name << "\"/></technique_common></bind_material>";
        out << "</instance_geometry></node>\n";
    }
    out << "</visual_scene></library_visual_scenes><scene><instance_visual_scene url=\"#scene\"/></scene>\n"
           "</COLLADA>\n";
    writeTextFile(path, out.str());
}

std::string makeTempFolder(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << text))
        throw std::runtime_error("cannot write " + path);
}
