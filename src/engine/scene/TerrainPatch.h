#pragma once
// One rectangle of terrain cells: where its vertices and its cells lie in the
// terrain's shared vertex and index buffers, and its world box.

#include "engine/platform/BoundingBox.h"

#include <cstdint>

struct TerrainPatch {
    uint32_t firstVertex = 0;
    uint32_t firstIndex = 0;
    BoundingBox bounds;
};
