#include "engine/platform/BoxCorners.h"

#include "engine/platform/BoundingBox.h"

#include "backend/math/Vector.h"

#include <algorithm>
#include <cfloat>

void BoxCorners::GetTransformedBounds(BoundingBox* out, const backend::Matrix* matrix) const
{
    *out = BoundingBox();
    for (const backend::Vector3& corner : corners) {
        backend::Vector3 p;
        backend::Vec3TransformCoord(&p, &corner, matrix);
        // The empty markers are replaced by the first point, never compared with.
        if (out->max.x == FLT_MIN)
            out->max = p;
        else
            out->max = {std::max(out->max.x, p.x), std::max(out->max.y, p.y), std::max(out->max.z, p.z)};
        if (out->min.x == FLT_MAX)
            out->min = p;
        else
            out->min = {std::min(out->min.x, p.x), std::min(out->min.y, p.y), std::min(out->min.z, p.z)};
    }
}
