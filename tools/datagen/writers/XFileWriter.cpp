#include "datagen/writers/XFileWriter.h"

#include "datagen/writers/FileWriter.h"

#include <cstdio>

namespace datagen {

namespace {

std::string Number(float v)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(v));
    return text;
}

std::string Indent(int depth)
{
    return std::string(size_t(depth) * 2, ' ');
}

// "n;" then the items separated by "," and closed by ";".
void PutCount(std::string& out, int depth, size_t count)
{
    out += Indent(depth) + std::to_string(count) + ";\n";
}

void PutVectors(std::string& out, int depth, const std::vector<Float3>& items)
{
    PutCount(out, depth, items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        out += Indent(depth) + Number(items[i].x) + ";" + Number(items[i].y) + ";" + Number(items[i].z) + ";";
        out += i + 1 < items.size() ? ",\n" : ";\n";
    }
}

void PutFaces(std::string& out, int depth, const std::vector<std::vector<uint32_t>>& faces)
{
    PutCount(out, depth, faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
        out += Indent(depth) + std::to_string(faces[i].size()) + ";";
        for (size_t k = 0; k < faces[i].size(); ++k)
            out += (k ? "," : "") + std::to_string(faces[i][k]);
        out += i + 1 < faces.size() ? ";,\n" : ";;\n";
    }
}

void PutMaterial(std::string& out, int depth, const XMaterial& m)
{
    if (m.reference) {
        out += Indent(depth) + "{ " + m.name + " }\n";
        return;
    }
    out += Indent(depth) + "Material" + (m.name.empty() ? "" : " " + m.name) + " {\n";
    out += Indent(depth + 1) + Number(m.faceColor[0]) + ";" + Number(m.faceColor[1]) + ";" + Number(m.faceColor[2]) +
           ";" + Number(m.faceColor[3]) + ";;\n";
    out += Indent(depth + 1) + Number(m.power) + ";\n";
    out +=
        Indent(depth + 1) + Number(m.specular[0]) + ";" + Number(m.specular[1]) + ";" + Number(m.specular[2]) + ";;\n";
    out +=
        Indent(depth + 1) + Number(m.emissive[0]) + ";" + Number(m.emissive[1]) + ";" + Number(m.emissive[2]) + ";;\n";
    if (!m.textureFile.empty())
        out += Indent(depth + 1) + "TextureFilename {\n" + Indent(depth + 2) + "\"" + m.textureFile + "\";\n" +
               Indent(depth + 1) + "}\n";
    out += Indent(depth) + "}\n";
}

void PutMesh(std::string& out, int depth, const XMesh& mesh, const XFileOptions& options)
{
    out += Indent(depth) + "Mesh" + (mesh.name.empty() ? "" : " " + mesh.name) + " {\n";
    if (options.withComments)
        out += Indent(depth + 1) + "// positions\n";
    PutVectors(out, depth + 1, mesh.positions);
    PutFaces(out, depth + 1, mesh.faces);
    if (!mesh.normals.empty()) {
        out += Indent(depth + 1) + "MeshNormals {\n";
        PutVectors(out, depth + 2, mesh.normals);
        PutFaces(out, depth + 2, mesh.normalFaces.empty() ? mesh.faces : mesh.normalFaces);
        out += Indent(depth + 1) + "}\n";
    }
    if (!mesh.texCoords.empty()) {
        out += Indent(depth + 1) + "MeshTextureCoords {\n";
        PutCount(out, depth + 2, mesh.texCoords.size());
        for (size_t i = 0; i < mesh.texCoords.size(); ++i) {
            out += Indent(depth + 2) + Number(mesh.texCoords[i].u) + ";" + Number(mesh.texCoords[i].v) + ";";
            out += i + 1 < mesh.texCoords.size() ? ",\n" : ";\n";
        }
        out += Indent(depth + 1) + "}\n";
    }
    if (!mesh.materials.empty()) {
        out += Indent(depth + 1) + "MeshMaterialList {\n";
        PutCount(out, depth + 2, mesh.materials.size());
        PutCount(out, depth + 2, mesh.faceMaterials.size());
        out += Indent(depth + 2);
        for (size_t i = 0; i < mesh.faceMaterials.size(); ++i)
            out += (i ? "," : "") + std::to_string(mesh.faceMaterials[i]);
        out += ";\n";
        for (const XMaterial& m : mesh.materials)
            PutMaterial(out, depth + 2, m);
        out += Indent(depth + 1) + "}\n";
    }
    out += Indent(depth) + "}\n";
}

void PutFrame(std::string& out, int depth, const XFrame& frame, const XFileOptions& options)
{
    out += Indent(depth) + "Frame" + (frame.name.empty() ? "" : " " + frame.name) + " {\n";
    if (frame.hasTransform) {
        out += Indent(depth + 1) + "FrameTransformMatrix {\n" + Indent(depth + 2);
        for (int i = 0; i < 16; ++i)
            out += Number(frame.transform[i]) + (i < 15 ? "," : ";;\n");
        out += Indent(depth + 1) + "}\n";
    }
    for (const XMesh& mesh : frame.meshes)
        PutMesh(out, depth + 1, mesh, options);
    for (const XFrame& child : frame.children)
        PutFrame(out, depth + 1, child, options);
    out += Indent(depth) + "}\n";
}

const char* TEMPLATES = "template Vector {\n"
                        "  <3d82ab5e-62da-11cf-ab39-0020af71e433>\n"
                        "  FLOAT x;\n  FLOAT y;\n  FLOAT z;\n"
                        "}\n"
                        "template Mesh {\n"
                        "  <3d82ab44-62da-11cf-ab39-0020af71e433>\n"
                        "  DWORD nVertices;\n  array Vector vertices[nVertices];\n"
                        "  DWORD nFaces;\n  array MeshFace faces[nFaces];\n"
                        "  [...]\n"
                        "}\n";

} // namespace

std::string EncodeXFile(const XModel& model, const XFileOptions& options)
{
    std::string out = options.header + "\n";
    if (options.withComments)
        out += "# sample model\n// written by datagen\n";
    if (options.withTemplates)
        out += TEMPLATES;
    if (options.withUnknownObject)
        out += "Header {\n  1;\n  0;\n  1;\n}\nAnimTicksPerSecond { 30; }\n";
    for (const XMaterial& m : model.materials)
        PutMaterial(out, 0, m);
    for (const XMesh& mesh : model.meshes)
        PutMesh(out, 0, mesh, options);
    for (const XFrame& frame : model.frames)
        PutFrame(out, 0, frame, options);
    if (options.truncateTo < out.size())
        out.resize(options.truncateTo);
    return out;
}

bool WriteXFile(const std::string& path, const XModel& model)
{
    const std::string text = EncodeXFile(model);
    return WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace datagen
