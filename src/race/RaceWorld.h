#pragma once
// The physics world of a race: pools for what the race puts into it, gravity,
// the game's materials and collision table, and the contact callback.

#include "physics/TCollisionCallback.h"

#include <cstdint>

class PhysicsEngine;

struct RaceWorldSize {
    int32_t rigidBodies = 0;
    int32_t animatedBodies = 0;
    int32_t geometries = 0;
    int32_t constraints = 0;
    int32_t constraintSets = 0;
    int32_t terrainVertices = 0; // the terrain tree's first capacity, never grown
};

// Makes `physics` a race's world that calls `onCollision` for the crash pairs; false when the simulator
// cannot be made.
bool CreateRaceWorld(PhysicsEngine* physics, const RaceWorldSize& size, TCollisionCallback onCollision);
