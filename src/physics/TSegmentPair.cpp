#include "physics/TSegmentPair.h"

#include <cmath>

static bool IsTiny(const TVec4& v)
{
    return std::fabs(v.x) < 1e-6f && std::fabs(v.y) < 1e-6f && std::fabs(v.z) < 1e-6f;
}

bool TSegmentPair::ClosestPoints(float* s, float* t)
{
    inside = false;
    TVec4 dA = a1 - a0;
    TVec4 dB = b1 - b0;
    if (IsTiny(dA) || IsTiny(dB)) {
        return false;
    }
    TVec4 w = a0 - b0;
    float aa = Dot3(dA, dA);
    float bb = Dot3(dB, dB);
    float ab = Dot3(dA, dB);
    float denominator = aa * bb - ab * ab;
    if (std::fabs(denominator) < 1e-6f) {
        return false;
    }
    float sa = (ab * Dot3(dB, w) - Dot3(dA, w) * bb) / denominator;
    float tb = (sa * ab + Dot3(dB, w)) / bb;
    *s = sa;
    *t = tb;
    pointA = a0 + dA * sa;
    pointB = b0 + dB * tb;
    distance = Length3(pointA - pointB);
    inside = sa >= 0.0f && sa < 1.0f && tb >= 0.0f && tb < 1.0f;
    return true;
}

static float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

bool ClampedSegmentPoints(const TVec4& a0, const TVec4& a1, const TVec4& b0, const TVec4& b1, TVec4* onA, TVec4* onB)
{
    TVec4 dA = a1 - a0;
    TVec4 dB = b1 - b0;
    TVec4 r = a0 - b0;
    float aa = Dot3(dA, dA);
    float bb = Dot3(dB, dB);
    float f = Dot3(dB, r);
    float s = 0.0f;
    float t = 0.0f;
    if (aa <= 1e-12f && bb <= 1e-12f) {
        // Two points.
    } else if (aa <= 1e-12f) {
        t = Clamp01(f / bb);
    } else if (bb <= 1e-12f) {
        s = Clamp01(-Dot3(dA, r) / aa);
    } else {
        float c = Dot3(dA, r);
        float ab = Dot3(dA, dB);
        float denominator = aa * bb - ab * ab;
        s = denominator > 1e-12f * aa * bb ? Clamp01((ab * f - c * bb) / denominator) : 0.0f;
        t = (ab * s + f) / bb;
        if (t < 0.0f) {
            t = 0.0f;
            s = Clamp01(-c / aa);
        } else if (t > 1.0f) {
            t = 1.0f;
            s = Clamp01((ab - c) / aa);
        }
    }
    *onA = a0 + dA * s;
    *onB = b0 + dB * t;
    return true;
}
