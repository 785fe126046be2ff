#pragma once
// One placement of a billboard: its base point on the ground and its box.

#include "engine/platform/BoundingBox.h"

#include "backend/math/MathTypes.h"

class Billboard;

struct BillboardInstance {
    Billboard* billboard = nullptr;
    backend::Vector3 position;
    BoundingBox bounds;
    float sortKey = 0.0f;
};
