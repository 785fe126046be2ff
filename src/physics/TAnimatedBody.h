#pragma once
// A body that only the program moves; rigid bodies collide with it.

#include "physics/TBody.h"

class TAnimatedBody : public TBody {
public:
    TAnimatedBody();

    // New world position; the world bounds follow at once and the moved flag is set.
    void SetPosition(const TVec4* newPosition);
    // New world rotation (rows = the body's axes); the bounds follow at the next sub-step.
    void SetRotation(const TMat34* newRotation);
    void SetRotation(const float rows[3][4]);
    void UpdateWorldBoundsImpl();

    TMat34 rotation = IdentityMat34();
    TVec4 position = Vec(0, 0, 0, 1);
    int32_t moved = 0;
};
