#pragma once
// A line segment fixed to a body (start .. start + direction, body frame), tested against other bodies'
// boxes and the terrain triangles; the deepest hit of a sub-step stays in the probe.

#include "physics/TConvex.h"
#include "physics/TMath.h"

#include <cstdint>

class TBody;

class TProbe {
public:
    // Sets the segment in the owning body's frame.
    void SetSegment(const TVec4& startPoint, const TVec4& segmentDirection);
    // Clears the hit of the previous sub-step.
    void ResetResult();

    // Tests every probe of the list (linked by next) against the other body's geometries. ownWorld is the
    // probes' body transform; a deeper hit replaces a probe's result and records the other body.
    static void TestGeometries(TProbe* list, const TMat44& ownWorld, const TConvex* otherBounds,
                               const TMat44& otherWorld, TBody* other);
    // Segment (in world coordinates) against one geometry; true with depth > 0 on a hit.
    static bool IntersectGeometry(const TVec4& worldStart, const TVec4& worldDirection, const TConvex* geometry,
                                  const TMat44& geometryWorld, TVec4* hitPoint, TVec4* hitNormal, float* hitDepth,
                                  int32_t* hitMaterial);

    TVec4 start;
    TVec4 direction;
    float length = 0.0f;
    TVec4 hitNormal;    // world
    TVec4 hitPoint;     // world
    float depth = 0.0f; // how far the segment reaches beyond the surface; 0 without a hit
    int32_t material = 0;
    TBody* hitBody = nullptr;
    TProbe* next = nullptr;
    TProbe* prev = nullptr;
    uint8_t inUse = 0;
};
