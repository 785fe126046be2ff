#pragma once
// Helpers of the capsule pair tests.

#include "physics/TMath.h"

// Closest points of a segment (p0..p1) and a box centred at the origin with half extents h, all in the
// box's frame: the segment parameter in [0, 1] of least squared distance, its point and the nearest box point.
float ClosestSegmentBoxPoints(const TVec4& p0, const TVec4& p1, const TVec4& h, TVec4* segmentPoint, TVec4* boxPoint);
