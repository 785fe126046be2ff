#include "engine/platform/BoundingBox.h"

#include "engine/platform/BoxCorners.h"

#include <cfloat>

BoundingBox::BoundingBox() : min{FLT_MAX, FLT_MAX, FLT_MAX}, max{FLT_MIN, FLT_MIN, FLT_MIN} {}

void BoundingBox::SetCentreSize(const backend::Vector3* centre, float sizeX, float sizeY, float sizeZ)
{
    min = {centre->x - sizeX * 0.5f, centre->y - sizeY * 0.5f, centre->z - sizeZ * 0.5f};
    max = {centre->x + sizeX * 0.5f, centre->y + sizeY * 0.5f, centre->z + sizeZ * 0.5f};
}

void BoundingBox::GetCorners(BoxCorners* out) const
{
    for (int i = 0; i < 8; ++i) {
        out->corners[i].x = (i & 1) ? max.x : min.x;
        out->corners[i].y = (i & 2) ? max.y : min.y;
        out->corners[i].z = (i & 4) ? max.z : min.z;
    }
}
