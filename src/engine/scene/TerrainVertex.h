#pragma once
// A terrain grid vertex: position in terrain space, normal, texture coordinates.

#include "backend/gpu/GpuTypes.h"
#include "backend/math/MathTypes.h"

constexpr uint32_t TERRAIN_VERTEX_FVF = backend::D3DFVF_XYZ | backend::D3DFVF_NORMAL | backend::D3DFVF_TEX1;

struct TerrainVertex {
    backend::Vector3 position;
    backend::Vector3 normal;
    float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(TerrainVertex) == 32);
