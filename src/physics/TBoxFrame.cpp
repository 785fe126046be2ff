#include "physics/TBoxFrame.h"

#include "physics/TSegmentPair.h"

#include <cmath>

TBoxFrame::TBoxFrame(const TVec4& halfExtents, const TMat44& transform) : half(halfExtents), world(transform)
{
    for (int k = 0; k < 3; ++k) {
        axis[k] = world.row[k] * half[k];
    }
}

void TBoxFrame::ComputeCorners()
{
    cornersValid = true;
    for (int i = 0; i < 8; ++i) {
        float s0 = (i & 4) ? -1.0f : 1.0f;
        float s1 = (i & 2) ? -1.0f : 1.0f;
        float s2 = (i & 1) ? -1.0f : 1.0f;
        corner[i] = Centre() + axis[0] * s0 + axis[1] * s1 + axis[2] * s2;
    }
}

bool TBoxSatResult::ClosestEdgePoints(TBoxSatResult* out) const
{
    out->depth = depth;
    TSegmentPair pair;
    pair.a0 = edgeA0;
    pair.a1 = edgeA1;
    pair.b0 = edgeB0;
    pair.b1 = edgeB1;
    float s = 0.0f;
    float t = 0.0f;
    if (!pair.ClosestPoints(&s, &t) || !pair.inside) {
        return false;
    }
    out->pointA = pair.pointA;
    out->pointB = pair.pointB;
    return true;
}

// The two other axes of k, in the fixed order 0 -> 1, 2; 1 -> 2, 0; 2 -> 0, 1.
static int OtherAxis(int k, int n)
{
    return (k + 1 + n) % 3;
}

bool TBoxFrame::TestFaceAxis(TBoxSatResult* result, const TBoxFrame& other, int k) const
{
    TVec4 n = UnitAxis(k);
    float d = Dot3(n, other.Centre() - Centre());
    float separation;
    if (d >= 0.0f) {
        separation = -d;
    } else {
        n = -n;
        separation = d;
    }
    float depth = half[k] + separation;
    TVec4 q = other.Centre();
    for (int i = 0; i < 3; ++i) {
        float projection = Dot3(n, other.axis[i]);
        float s = projection > 0.0f ? 1.0f : -1.0f;
        depth += s * projection;
        q -= other.axis[i] * s;
    }
    if (depth <= 0.0f) {
        return false;
    }
    bool take = depth + 0.0001f < result->depth;
    if (!take && std::fabs(depth - result->depth) < 1e-6f) {
        TVec4 offset = q - Centre();
        int m0 = OtherAxis(k, 0);
        int m1 = OtherAxis(k, 1);
        take = std::fabs(Dot3(offset, UnitAxis(m0))) <= half[m0] * 1.001f &&
               std::fabs(Dot3(offset, UnitAxis(m1))) <= half[m1] * 1.001f;
    }
    if (take) {
        result->depth = depth;
        result->pointA = q;
        result->hit = true;
        result->pointB = q + n * depth;
        result->normal = n;
    }
    return true;
}

bool TBoxFrame::TestEdgeAxes(TBoxSatResult* result, const TBoxFrame& other, int i, int j) const
{
    TVec4 axisL = Cross3(UnitAxis(i), other.UnitAxis(j));
    if (Length3(axisL) == 0.0f) {
        return true; // parallel edges give no axis
    }
    axisL = Normalize3(axisL);
    float d = Dot3(axisL, other.Centre() - Centre());
    float separation;
    if (d >= 0.0f) {
        separation = -d;
    } else {
        axisL = -axisL;
        separation = d;
    }
    int a1 = (i + 1) % 3;
    int a2 = (i + 2) % 3;
    int b1 = (j + 1) % 3;
    int b2 = (j + 2) % 3;
    float pa1 = Dot3(axisL, axis[a1]);
    float pa2 = Dot3(axisL, axis[a2]);
    float pb1 = Dot3(axisL, other.axis[b1]);
    float pb2 = Dot3(axisL, other.axis[b2]);
    float sa1 = pa1 > 0.0f ? 1.0f : -1.0f;
    float sa2 = pa2 > 0.0f ? 1.0f : -1.0f;
    float sb1 = pb1 > 0.0f ? 1.0f : -1.0f;
    float sb2 = pb2 > 0.0f ? 1.0f : -1.0f;
    float depth = std::fabs(pa1) + std::fabs(pa2) + std::fabs(pb1) + std::fabs(pb2) + separation;
    if (depth <= 0.0f) {
        return false;
    }
    if (depth < result->depth) {
        TVec4 centreA = Centre() + axis[a1] * sa1 + axis[a2] * sa2;
        TVec4 centreB = other.Centre() - other.axis[b1] * sb1 - other.axis[b2] * sb2;
        result->hit = true;
        result->depth = depth;
        result->edgeA0 = centreA - axis[i];
        result->edgeA1 = centreA + axis[i];
        result->edgeB0 = centreB - other.axis[j];
        result->edgeB1 = centreB + other.axis[j];
        result->pointA = centreA;
        result->pointB = centreB;
        result->normal = axisL;
    }
    return true;
}

bool TBoxFrame::TestBox(TBoxSatResult* result, const TBoxFrame& other) const
{
    result->depth = 100000.0f;
    result->hit = false;
    result->edge = false;
    for (int k = 0; k < 3; ++k) {
        if (!TestFaceAxis(result, other, k)) {
            return false;
        }
    }
    // Written from B's side from here on, like B's own face axes.
    result->normal = -result->normal;
    TVec4 swap = result->pointA;
    result->pointA = result->pointB;
    result->pointB = swap;
    for (int k = 0; k < 3; ++k) {
        if (!other.TestFaceAxis(result, *this, k)) {
            return false;
        }
    }
    TBoxSatResult edges;
    edges.depth = result->depth;
    edges.hit = false;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (!TestEdgeAxes(&edges, other, i, j)) {
                return false;
            }
        }
    }
    if (edges.hit) {
        if (!edges.ClosestEdgePoints(result)) {
            // Closest points off the edges: clamp them onto the edges so that the points belong to the
            // same feature as the normal and depth.
            TVec4 onA, onB;
            if (ClampedSegmentPoints(edges.edgeA0, edges.edgeA1, edges.edgeB0, edges.edgeB1, &onA, &onB)) {
                result->pointA = onA;
                result->pointB = onB;
            } else {
                result->pointA = edges.pointA;
                result->pointB = edges.pointB;
            }
        }
        result->edge = true;
        result->normal = -edges.normal;
    }
    return result->hit;
}
