#pragma once
// Text ".x" model files ("xof 0303txt 0032"): frames with transform matrices,
// meshes with normals, texture coordinates and material lists. Front faces are
// clockwise.

#include "datagen/writers/ModelTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct XMaterial {
    std::string name;       // written as "Material <name>" when not empty
    bool reference = false; // true: written as "{ <name> }", pointing at a top-level material
    float faceColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float power = 0.0f;
    float specular[3] = {};
    float emissive[3] = {};
    std::string textureFile; // empty: no TextureFilename
};

struct XMesh {
    std::string name;
    std::vector<Float3> positions;
    std::vector<std::vector<uint32_t>> faces; // polygons of 3 or more corners
    // Optional; normalFaces empty means "the same as faces".
    std::vector<Float3> normals;
    std::vector<std::vector<uint32_t>> normalFaces;
    std::vector<Float2> texCoords; // optional, one per position
    // Optional material list: one id per face (fewer repeat the last one).
    std::vector<uint32_t> faceMaterials;
    std::vector<XMaterial> materials;
};

struct XFrame {
    std::string name;
    bool hasTransform = false;
    float transform[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // row-major, translation in 12..14
    std::vector<XMesh> meshes;
    std::vector<XFrame> children;
};

struct XModel {
    std::vector<XMaterial> materials; // top-level named materials
    std::vector<XMesh> meshes;        // top-level meshes, before the frames
    std::vector<XFrame> frames;
};

struct XFileOptions {
    std::string header = "xof 0303txt 0032"; // e.g. "xof 0303bin 0032" for a refused file
    bool withTemplates = false;              // template declarations the reader must skip
    bool withComments = false;               // "//" and "#" comments the reader must skip
    bool withUnknownObject = false;          // a data object of an unknown type to skip
    size_t truncateTo = SIZE_MAX;
};

std::string EncodeXFile(const XModel& model, const XFileOptions& options = {});
bool WriteXFile(const std::string& path, const XModel& model);

} // namespace datagen
