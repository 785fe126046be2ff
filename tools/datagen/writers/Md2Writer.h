#pragma once
// MD2 models: a 68-byte header, skin names, texture coordinates in skin pixels,
// triangles and frames of byte-quantised vertices.

#include "datagen/writers/ModelTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace datagen {

struct Md2Triangle {
    uint16_t vertex[3] = {};
    uint16_t texCoord[3] = {};
};

struct Md2Frame {
    float scale[3] = {1.0f, 1.0f, 1.0f};
    float translate[3] = {};
    std::string name;                             // at most 15 characters are kept
    std::vector<std::array<uint8_t, 4>> vertices; // x, y, z, normal index
};

struct Md2Model {
    int32_t skinWidth = 256, skinHeight = 256;
    std::vector<std::string> skins;
    std::vector<std::array<int16_t, 2>> texCoords; // s, t
    std::vector<Md2Triangle> triangles;
    std::vector<Md2Frame> frames; // all with the same vertex count
};

// Ways to break the file for tests; the defaults give a correct one.
struct Md2Faults {
    bool badIdent = false;
    std::optional<int32_t> version;
    std::optional<int32_t> frameSize;
    std::optional<int32_t> numSkins;
    std::optional<int32_t> numVertices;
    std::optional<int32_t> numTexCoords;
    std::optional<int32_t> numTriangles;
    std::optional<int32_t> numFrames;
    size_t truncateTo = SIZE_MAX;
};

// A frame whose byte vertices span the positions' bounding box.
Md2Frame QuantizeMd2Frame(const std::string& name, const std::vector<Float3>& positions);

std::vector<uint8_t> EncodeMd2(const Md2Model& model, const Md2Faults& faults = {});
bool WriteMd2(const std::string& path, const Md2Model& model);

} // namespace datagen
