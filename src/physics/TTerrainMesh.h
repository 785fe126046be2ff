#pragma once
// The caller's terrain: vertices and triangles, read once and copied by the terrain tree.

#include "physics/TMath.h"
#include "physics/TTerrainTriangle.h"

#include <cstdint>

struct TTerrainMesh {
    const TVec4* vertices = nullptr;
    int32_t vertexCount = 0;
    const TTerrainTriangle* triangles = nullptr;
    int32_t triangleCount = 0;
};
