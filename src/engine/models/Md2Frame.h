#pragma once
// One stored frame of an .md2 model: three unshared vertices per triangle,
// the corners of its box and its vertex buffer.

#include "engine/models/Md2Vertex.h"
#include "engine/platform/BoxCorners.h"

#include <vector>

namespace backend {
class GpuVertexBuffer;
}

struct Md2Frame {
    std::vector<Md2Vertex> vertices;
    BoxCorners corners;
    backend::GpuVertexBuffer* vertexBuffer = nullptr;
};
