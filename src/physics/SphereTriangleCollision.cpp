#include "physics/PairTests.h"
#include "physics/TBoxFrame.h"
#include "physics/TTriangleFrame.h"

#include <cmath>

// Sphere (centre p, radius r) against one triangle; true with a hit in the result.
static bool TestSphereTriangle(const TVec4& p, float r, TBoxSatResult* result, const TTriangleFrame& triangle)
{
    result->depth = 100000.0f;
    result->hit = false;
    if (triangle.IsDegenerate()) {
        return false;
    }
    float s = Dot3(triangle.n, p) - triangle.d;
    float sigma = s >= 0.0f ? 1.0f : -1.0f;
    float t = r - sigma * s;
    if (t <= 0.0f) {
        return false;
    }
    TVec4 foot = p - triangle.n * s;
    if (ClassifyTriangleRegion(triangle, foot) == -1) {
        result->depth = t;
        result->normal = triangle.n * sigma;
        result->pointA = p - result->normal * r;
        result->pointB = foot;
        result->hit = true;
        return true;
    }
    // Outside the triangle: the nearest point of its boundary (an edge or a vertex).
    TVec4 nearest = ClosestBoundaryPoint(triangle, p);
    TVec4 w = p - nearest;
    float distanceSquared = LengthSquared3(w);
    if (distanceSquared >= r * r) {
        return false;
    }
    float distance = std::sqrt(distanceSquared);
    // A centre on the boundary has no direction of its own: the plane's side gives it.
    TVec4 normal = distance > 1e-6f ? w * (1.0f / distance) : triangle.n * sigma;
    result->depth = r - distance;
    result->normal = normal;
    result->pointA = p - normal * r;
    result->pointB = nearest;
    result->hit = true;
    return true;
}

void CollideSphereTriangleSet(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44&)
{
    out->collided = 0;
    if (b->triangleIndices == nullptr || b->triangles == nullptr || b->vertexArray == nullptr) {
        return;
    }
    TVec4 centre = worldA.row[3];
    float radius = a->Radius();
    TBoxSatResult best;
    best.depth = -1e6f;
    best.hit = false;
    uint32_t material = 0;
    uint32_t tag = 0;
    for (int32_t n = 0; n < b->triangleCount; ++n) {
        const TTerrainTriangle& source = b->triangles[b->triangleIndices[n]];
        if (source.flags != TTRIANGLE_ORDINARY) {
            continue;
        }
        TTriangleFrame triangle(b->vertexArray[source.a], b->vertexArray[source.b], b->vertexArray[source.c]);
        TBoxSatResult current;
        if (TestSphereTriangle(centre, radius, &current, triangle) && current.depth > best.depth) {
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
