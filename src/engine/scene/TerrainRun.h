#pragma once
// Visible terrain patches that lie next to each other in the shared buffers,
// drawn as one range.

#include <cstdint>

struct TerrainRun {
    uint32_t firstVertex = 0;
    uint32_t vertexCount = 0;
    uint32_t firstIndex = 0;
    uint32_t triangleCount = 0;
};
