#include "physics/ComputeInertiaFromSize.h"

TVec4* ComputeInertiaFromSize(TVec4* out, const TVec4* sizes, float mass)
{
    float s = sizes->x;
    if (sizes->y > s) {
        s = sizes->y;
    }
    if (sizes->z > s) {
        s = sizes->z;
    }
    float value = 2.0f * s * s * mass * 0.33333334f;
    out->x = value;
    out->y = value;
    out->z = value;
    return out;
}
