#pragma once
// The runtime's rand/srand with a RAND_MAX of 32767, as the game's effects and
// placements expect (the C library here has another range).

#include <cstdint>

namespace backend {

constexpr int RANDOM_MAX = 32767;

void SeedRandom(uint32_t seed);
// 0..RANDOM_MAX
int Random();

} // namespace backend
