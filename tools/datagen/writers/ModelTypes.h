#pragma once
// Plain vectors and triangles shared by the model writers.

#include <cstdint>

namespace datagen {

struct Float2 {
    float u = 0.0f, v = 0.0f;
};

struct Float3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Triangle16 {
    uint16_t a = 0, b = 0, c = 0;
};

} // namespace datagen
