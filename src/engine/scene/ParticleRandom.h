#pragma once
// Uniform random numbers of the particle formulas.

#include "backend/random/Random.h"

// 0..1
inline float RandomUnit()
{
    return float(backend::Random()) / float(backend::RANDOM_MAX);
}

// -1..1
inline float RandomSigned()
{
    return 2.0f * RandomUnit() - 1.0f;
}
