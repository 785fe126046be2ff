#pragma once
// The walk shared by the triangle-set pair tests: every candidate triangle of the set is tried, and the
// deepest hit is written into the contact with its triangle's material and tag.

#include "physics/TContact.h"
#include "physics/TConvex.h"
#include "physics/TTerrainTriangle.h"
#include "physics/TTriangleFrame.h"

#include <cstdint>

// One shape's contact with one triangle.
struct TTriangleHit {
    TVec4 normal;
    TVec4 pointA;
    TVec4 pointB;
    float depth = 100000.0f;
    bool hit = false;
};

// test(source, triangle, &hit) tries one triangle that has area and returns whether its hit counts; the
// first of the deepest that count is kept. Height-field triangles take part only when withHeightFields
// is set.
template <typename Test> void CollideTriangleSet(TContact* out, const TConvex* set, bool withHeightFields, Test&& test)
{
    out->collided = 0;
    if (set->triangleIndices == nullptr || set->triangles == nullptr || set->vertexArray == nullptr) {
        return;
    }
    TTriangleHit best;
    best.depth = -1e6f;
    uint32_t material = 0;
    uint32_t tag = 0;
    for (int32_t n = 0; n < set->triangleCount; ++n) {
        const TTerrainTriangle& source = set->triangles[set->triangleIndices[n]];
        if (source.flags != TTRIANGLE_ORDINARY && !(withHeightFields && source.flags == TTRIANGLE_HEIGHT_FIELD)) {
            continue;
        }
        TTriangleFrame triangle(set->vertexArray[source.a], set->vertexArray[source.b], set->vertexArray[source.c]);
        if (triangle.IsDegenerate()) {
            continue;
        }
        TTriangleHit current;
        if (test(source, triangle, &current) && current.depth > best.depth) {
            best = current;
            material = source.material;
            tag = source.tag;
        }
    }
    if (!best.hit) {
        return;
    }
    out->collided = 1;
    out->depth = best.depth;
    out->normal = best.normal;
    out->worldPointA = best.pointA;
    out->worldPointB = best.pointB;
    out->materialB = int32_t(material);
    out->triangleTag = tag;
}
