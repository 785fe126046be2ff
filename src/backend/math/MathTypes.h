#pragma once
// The single-precision vector, matrix and quaternion records of the renderer:
// left-handed, y up, row vectors (v' = v * M), 4x4 matrices stored row-major.

#include <cstdint>

namespace backend {

struct Vector2 {
    float x = 0, y = 0;
};

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

struct Vector4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

// Row-major: m[row][column]; the translation lives in row 3.
struct Matrix {
    float m[4][4] = {};
};

// Colour with float channels, 0..1.
struct ColorValue {
    float r = 0, g = 0, b = 0, a = 0;
};

static_assert(sizeof(Vector3) == 12);
static_assert(sizeof(Matrix) == 64);

} // namespace backend
