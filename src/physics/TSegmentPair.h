#pragma once
// Closest points of two segments (A: a0..a1, B: b0..b1) on their infinite lines.

#include "physics/TMath.h"

struct TSegmentPair {
    TVec4 a0, a1;
    TVec4 b0, b1;
    TVec4 pointA; // closest point on A's line
    TVec4 pointB; // closest point on B's line
    float distance = 0.0f;
    bool inside = false; // both parameters in [0, 1)

    // Writes the line parameters; false (inside cleared) for degenerate or parallel segments.
    bool ClosestPoints(float* s, float* t);
};

// Closest points of two segments, each parameter clamped to its segment; a segment may be a single point.
bool ClampedSegmentPoints(const TVec4& a0, const TVec4& a1, const TVec4& b0, const TVec4& b1, TVec4* onA, TVec4* onB);
