#pragma once
// One particle of the snow, rain and smoke systems.

#include "backend/math/MathTypes.h"

#include <cstdint>

struct Particle {
    backend::Vector3 position;
    backend::Vector3 previousPosition;
    backend::Vector3 velocity;
    float shade = 0.0f;
    float size = 0.0f;
    uint8_t alive = 0;
};
