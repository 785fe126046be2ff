#pragma once
// The eight corners of a BoundingBox, in the order of BoundingBox::GetCorners.

#include "backend/math/MathTypes.h"

class BoundingBox;

class BoxCorners {
public:
    // Sets `out` to the box around the corners transformed by `matrix`.
    void GetTransformedBounds(BoundingBox* out, const backend::Matrix* matrix) const;

    backend::Vector3 corners[8];
};

static_assert(sizeof(BoxCorners) == 96);
