#pragma once
// One rectangle of terrain cells: its own vertex buffer and its world box.

#include "engine/platform/BoundingBox.h"

namespace backend {
class GpuVertexBuffer;
}

struct TerrainPatch {
    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    BoundingBox bounds;
};
