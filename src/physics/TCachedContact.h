#pragma once
// One resting contact remembered by a rigid body (three slots per body). The support's side is kept in the
// support's own frame, so the contact follows the support when it moves.

#include "physics/TMath.h"

#include <cstdint>

class TBody;
class TRigidBody;
class TSimulator;

enum TCachedContactKind : int32_t {
    TCACHED_FREE = 0,
    TCACHED_RIGID_SUPPORT = 1,
    TCACHED_ANIMATED_SUPPORT = 2,
    TCACHED_FIXED_SUPPORT = 3,
};

struct TCachedContact {
    // World point and world normal of the support side; returns out.
    TVec4* GetWorldPoint(TVec4* out);
    void Unlink();
    bool IsSupportStill() const;
    bool IsSupportActive(const TSimulator* simulator) const;
    bool IsUsed() const { return kind != TCACHED_FREE; }

    TVec4 point;             // point on the owner, owner's frame
    TVec4 otherPoint;        // point on the support, support's frame
    TVec4 supportWorld;      // support's point, world (refreshed by UpdateCachedContactPoint)
    TVec4 ownerWorld;        // owner's point, world
    TVec4 difference;        // ownerWorld - supportWorld
    TVec4 otherNormal;       // normal in the support's frame
    TVec4 worldNormal;       // written by GetWorldPoint
    float separation = 0.0f; // difference along the normal
    float drift = 0.0f;      // squared length of the difference across the normal
    float ranking = 0.0f;    // penetration when cached; the shallowest slot is replaced first
    int32_t materialA = 0;
    int32_t materialB = 0;
    int32_t kind = TCACHED_FREE;
    TBody* other = nullptr;
    TCachedContact* next = nullptr; // in the support's list of contacts resting on it
    TCachedContact* prev = nullptr;
    TRigidBody* owner = nullptr;
    int32_t step = 0;
};
