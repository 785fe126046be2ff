#include "backend/random/Random.h"

namespace backend {

namespace {
uint32_t g_RandomState = 1;
}

void SeedRandom(uint32_t seed)
{
    g_RandomState = seed;
}

int Random()
{
    // Linear congruential step; the upper 15 bits of the state are the result.
    g_RandomState = g_RandomState * 214013u + 2531011u;
    return static_cast<int>((g_RandomState >> 16) & 0x7FFF);
}

} // namespace backend
