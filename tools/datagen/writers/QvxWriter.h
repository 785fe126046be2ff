#pragma once
// QVX models ("QVX3D10000"): frames of meshes, each with positions, triangles,
// texture coordinates and texture triangles. Front faces are counter-clockwise.

#include "datagen/writers/ModelTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace datagen {

struct QvxMesh {
    std::vector<Float3> positions;
    std::vector<Triangle16> faces;
    std::vector<Float2> texCoords;
    std::vector<Triangle16> texFaces; // texFaces[i] belongs to faces[i]
};

struct QvxFrame {
    std::vector<QvxMesh> meshes;
};

// Ways to break the file for tests; the defaults give a correct one.
struct QvxFaults {
    bool badMagic = false;
    std::optional<int32_t> frameCount;         // written instead of the real count
    std::optional<int32_t> firstPositionCount; // for the first mesh of the first frame
    std::optional<int32_t> firstFaceCount;
    size_t truncateTo = SIZE_MAX;
};

std::vector<uint8_t> EncodeQvx(const std::vector<QvxFrame>& frames, const QvxFaults& faults = {});
bool WriteQvx(const std::string& path, const std::vector<QvxFrame>& frames);

} // namespace datagen
