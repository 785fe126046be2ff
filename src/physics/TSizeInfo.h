#pragma once
// Pool sizes of a simulator, fixed at creation.

#include <cstdint>

struct TSizeInfo {
    int32_t rigidBodiesCount = 50;
    int32_t animatedBodiesCount = 50;
    int32_t rigidParticleCount = 50;
    int32_t forceUpdatersCount = 50;
    int32_t overlapPairsCount = 1225;
    int32_t geometriesCount = 50;
    int32_t constraintsCount = 100;
    int32_t constraintSetsCount = 100;
    int32_t reservedSize = 2000;
    int32_t probesCount = 100;
    int32_t reservedStartCount = 200; // first capacity of the terrain tree's node array
    int32_t reservedGrowBy = -1;      // its growth step: -1 doubles, 0 never grows
};
static_assert(sizeof(TSizeInfo) == 48, "TSizeInfo is twelve 32-bit counts");
