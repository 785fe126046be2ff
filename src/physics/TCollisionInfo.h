#pragma once
// What the collision callback receives. Valid only during the call; the next contact overwrites it.

#include "physics/TMath.h"

#include <cstdint>

class TBody;
class TConvex;

enum TCollisionKind : int32_t {
    TCOLLISION_KIND_TERRAIN = 0,
    TCOLLISION_KIND_RIGID = 1,
    TCOLLISION_KIND_ANIMATED = 2,
};

struct TCollisionInfo {
    TBody* bodyA = nullptr;
    // The second body; for a terrain contact the terrain geometry record that was tested (not a body).
    void* bodyB = nullptr;
    int32_t kindA = 0;
    int32_t kindB = 0;
    TConvex* geometryA = nullptr;
    TConvex* geometryB = nullptr; // null for a terrain contact
    int32_t materialA = 0;
    int32_t materialB = 0;
    TVec4 localPointA;
    TVec4 localPointB;
    TVec4 worldPointA;
    TVec4 worldPointB;
    TVec4 contactVelocity; // velocity of the point on A minus that on B; its length is the impact speed
    TVec4 normal;          // from B towards A
};
