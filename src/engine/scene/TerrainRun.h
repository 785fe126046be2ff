#pragma once
// Visible terrain patches that lie next to each other in the shared index
// buffer, drawn as one range.

#include <cstdint>

struct TerrainRun {
    uint32_t firstIndex = 0;
    uint32_t triangleCount = 0;
    uint32_t minVertex = 0;
    uint32_t maxVertex = 0;
};
