#include "physics/CollideTriangleSet.h"
#include "physics/PairTests.h"
#include "physics/TTriangleFrame.h"

#include <cmath>

// Sphere (centre p, radius r) against one triangle; true with a hit in the result.
static bool TestSphereTriangle(const TVec4& p, float r, TTriangleHit* result, const TTriangleFrame& triangle)
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
    TVec4 centre = worldA.row[3];
    float radius = a->Radius();
    CollideTriangleSet(out, b, false, [&](const TTerrainTriangle&, const TTriangleFrame& triangle, TTriangleHit* hit) {
        return TestSphereTriangle(centre, radius, hit, triangle);
    });
}
