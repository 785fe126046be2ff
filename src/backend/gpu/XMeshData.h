#pragma once
// A mesh read from an .x file: one vertex list (position, normal, one
// texture-coordinate pair), three 16-bit indices per face, faces grouped by
// material, and the materials in file order.

#include "backend/gpu/GpuTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace backend {

struct XMeshVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float u = 0, v = 0;
};
static_assert(sizeof(XMeshVertex) == 32);

constexpr uint32_t XMESH_FVF = 0x112;
// Vertices a mesh with 16-bit indices can hold.
constexpr size_t XMESH_MAX_VERTICES = 65535;

struct XMeshMaterial {
    GpuMaterial material;
    std::string textureFile; // empty when the material names none
};

// The faces of one material: faceStart..faceStart+faceCount-1, using the
// vertices vertexStart..vertexStart+vertexCount-1.
struct XAttributeRange {
    uint32_t attribId = 0;
    uint32_t faceStart = 0;
    uint32_t faceCount = 0;
    uint32_t vertexStart = 0;
    uint32_t vertexCount = 0;
};

struct XMeshData {
    std::vector<XMeshVertex> vertices;
    std::vector<uint16_t> indices;    // three per face
    std::vector<uint32_t> attributes; // one material index per face, ascending
    std::vector<XAttributeRange> attributeTable;
    std::vector<XMeshMaterial> materials;
};

} // namespace backend
