#pragma once
// A vertex of a QVX model: position, normal and two equal texture-coordinate
// sets (flexible vertex format XYZ | NORMAL | TEX2).

#include <cstdint>

struct QvxVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float u0 = 0, v0 = 0;
    float u1 = 0, v1 = 0;
};

constexpr uint32_t QVX_FVF = 0x212;
static_assert(sizeof(QvxVertex) == 40);
