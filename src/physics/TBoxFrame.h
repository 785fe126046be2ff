#pragma once
// Working records of the box tests: one box as the tests see it, and the running separating-axis result.

#include "physics/TMath.h"

struct TBoxSatResult {
    TVec4 pointA;
    TVec4 pointB;
    TVec4 normal;
    TVec4 edgeA0, edgeA1; // kept edges of an edge axis
    TVec4 edgeB0, edgeB1;
    float depth = 100000.0f;
    bool hit = false;
    bool edge = false;

    // Closest points of the kept edges into pointA and pointB; false when they fall outside the edges
    // or the edges are degenerate or parallel.
    bool ClosestEdgePoints(TBoxSatResult* out) const;
};

struct TBoxFrame {
    TVec4 half;    // half extents
    TMat44 world;  // rows: unit axes, then the centre
    TVec4 axis[3]; // unit axes scaled by the half extents
    TVec4 corner[8];
    bool cornersValid = false;

    TBoxFrame(const TVec4& halfExtents, const TMat44& transform);

    const TVec4& Centre() const { return world.row[3]; }
    const TVec4& UnitAxis(int k) const { return world.row[k]; }
    float Half(int k) const { return half[k]; }

    // Corners p + s0 e0 + s1 e1 + s2 e2, signs from (+,+,+) to (-,-,-) with the last axis fastest.
    void ComputeCorners();
    // True when no separating axis exists; the result then holds the contact.
    bool TestBox(TBoxSatResult* result, const TBoxFrame& other) const;
    bool TestFaceAxis(TBoxSatResult* result, const TBoxFrame& other, int k) const;
    bool TestEdgeAxes(TBoxSatResult* result, const TBoxFrame& other, int i, int j) const;
};
