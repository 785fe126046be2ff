#pragma once
// A vertex of an .md2 model: position, normal and one texture-coordinate pair
// (flexible vertex format XYZ | NORMAL | TEX1).

#include <cstdint>

struct Md2Vertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float u = 0, v = 0;
};

constexpr uint32_t MD2_FVF = 0x112;
static_assert(sizeof(Md2Vertex) == 32);
