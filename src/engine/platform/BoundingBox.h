#pragma once
// An axis-aligned box of two corners. The empty box has min = FLT_MAX and
// max = FLT_MIN (the smallest positive float) on every axis; code that grows a
// box tests these markers and takes its first point whole.

#include "backend/math/MathTypes.h"

class BoxCorners;

class BoundingBox {
public:
    BoundingBox();

    void SetCentreSize(const backend::Vector3* centre, float sizeX, float sizeY, float sizeZ);
    // The corners with bit 0 of the index choosing x, bit 1 y, bit 2 z (0 = min, 1 = max).
    void GetCorners(BoxCorners* out) const;

    backend::Vector3 min;
    backend::Vector3 max;
};

static_assert(sizeof(BoundingBox) == 24);
