#pragma once
// One mesh of a QVX frame: welded vertices, three 16-bit indices per
// triangle, and the device buffers made from them.

#include "engine/models/QvxVertex.h"

#include <cstdint>
#include <vector>

namespace backend {
class GpuVertexBuffer;
class GpuIndexBuffer;
} // namespace backend

struct QvxMesh {
    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    backend::GpuIndexBuffer* indexBuffer = nullptr;
    std::vector<QvxVertex> vertices;
    std::vector<uint16_t> indices;
    int32_t triangleCount = 0;
};
