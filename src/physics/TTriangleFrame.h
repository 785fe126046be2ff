#pragma once
// Working record of one triangle in the triangle tests.

#include "physics/TMath.h"

struct TTriangleFrame {
    TVec4 a, b, c;
    TVec4 e0, e1, e2; // b - a, c - b, a - c
    TVec4 n;          // unit normal of e0 x e1; zero for a triangle without area
    float d = 0.0f;   // n . a

    TTriangleFrame(const TVec4& va, const TVec4& vb, const TVec4& vc);

    bool IsDegenerate() const { return n.x == 0.0f && n.y == 0.0f && n.z == 0.0f; }
    const TVec4& Vertex(int k) const { return k == 0 ? a : (k == 1 ? b : c); }
    const TVec4& Edge(int k) const { return k == 0 ? e0 : (k == 1 ? e1 : e2); }
};

// Where a point of the triangle's plane lies: -1 inside, 0/2/4 beyond vertex a/b/c, 1/3/5 beyond edge e0/e1/e2.
int ClassifyTriangleRegion(const TTriangleFrame& triangle, const TVec4& point);

// Closest point to p on the triangle's edges (the boundary).
TVec4 ClosestBoundaryPoint(const TTriangleFrame& triangle, const TVec4& p);
