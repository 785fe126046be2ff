#pragma once
// One rectangle of terrain cells: its range in the terrain's shared index
// buffer, the grid vertices that range uses, and its world box.

#include "engine/platform/BoundingBox.h"

#include <cstdint>

struct TerrainPatch {
    uint32_t firstIndex = 0;
    uint32_t minVertex = 0; // lowest and highest grid vertex its indices name
    uint32_t maxVertex = 0;
    BoundingBox bounds;
};
