#include "physics/CapsuleCollision.h"

#include "physics/CollideTriangleSet.h"
#include "physics/PairTests.h"
#include "physics/TBoxFrame.h"
#include "physics/TSegmentPair.h"
#include "physics/TTriangleFrame.h"

#include <cmath>
#include <initializer_list>

namespace {

struct Capsule {
    float radius;
    float halfHeight;
    TVec4 axis; // unit y row of the transform
    TVec4 centre;
    TVec4 bottom; // centre - halfHeight * axis
    TVec4 top;
    TVec4 side; // x row, the fallback direction
};

Capsule MakeCapsule(const TConvex* g, const TMat44& world)
{
    Capsule c;
    c.radius = g->Radius();
    c.halfHeight = g->HalfHeight();
    c.axis = world.row[1];
    c.centre = world.row[3];
    c.bottom = c.centre - c.axis * c.halfHeight;
    c.top = c.centre + c.axis * c.halfHeight;
    c.side = world.row[0];
    return c;
}

float Clamp(float v, float low, float high)
{
    return v < low ? low : (v > high ? high : v);
}

// Unit direction of v, or the fallback when v has no usable length; oriented along `towards`.
TVec4 DirectionOr(const TVec4& v, const TVec4& fallback, const TVec4& towards)
{
    float length = Length3(v);
    TVec4 n = length > 0.0f ? v * (1.0f / length) : Normalize3(fallback);
    if (length == 0.0f && Dot3(n, towards) < 0.0f) {
        n = -n;
    }
    return n;
}

} // namespace

float ClosestSegmentBoxPoints(const TVec4& p0, const TVec4& p1, const TVec4& h, TVec4* segmentPoint, TVec4* boxPoint)
{
    // The squared distance along the segment is convex and piecewise quadratic; its pieces change where
    // the segment point crosses a face plane. Walk the pieces until the derivative turns non-negative.
    TVec4 d = p1 - p0;
    float breaks[8];
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) > 0.0f) {
            for (float face : {-h[i], h[i]}) {
                float u = (face - p0[i]) / d[i];
                if (u > 0.0f && u < 1.0f) {
                    breaks[count++] = u;
                }
            }
        }
    }
    breaks[count++] = 1.0f;
    for (int i = 1; i < count; ++i) {
        for (int j = i; j > 0 && breaks[j] < breaks[j - 1]; --j) {
            float swap = breaks[j];
            breaks[j] = breaks[j - 1];
            breaks[j - 1] = swap;
        }
    }
    // Derivative (halved) of the squared distance at u, with the outside axes fixed for the piece.
    auto slope = [&](float u, float pieceMid) {
        float value = 0.0f;
        for (int i = 0; i < 3; ++i) {
            float mid = p0[i] + d[i] * pieceMid;
            float bound = mid > h[i] ? h[i] : (mid < -h[i] ? -h[i] : 0.0f);
            if (bound != 0.0f || mid > h[i] || mid < -h[i]) {
                value += d[i] * (p0[i] + d[i] * u - bound);
            }
        }
        return value;
    };
    float u = 1.0f;
    float start = 0.0f;
    for (int k = 0; k < count; ++k) {
        float end = breaks[k];
        if (end <= start) {
            continue;
        }
        float mid = 0.5f * (start + end);
        float atStart = slope(start, mid);
        if (atStart >= 0.0f) {
            u = start;
            break;
        }
        float atEnd = slope(end, mid);
        if (atEnd >= 0.0f) {
            u = start + (end - start) * (-atStart / (atEnd - atStart));
            break;
        }
        start = end;
    }
    u = Clamp(u, 0.0f, 1.0f);
    *segmentPoint = p0 + d * u;
    for (int i = 0; i < 3; ++i) {
        (*boxPoint)[i] = Clamp((*segmentPoint)[i], -h[i], h[i]);
    }
    return u;
}

void CollideCapsuleSphere(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    out->collided = 0;
    Capsule capsule = MakeCapsule(a, worldA);
    TVec4 sphere = worldB.row[3];
    float sum = capsule.radius + b->Radius();
    float length = 2.0f * capsule.halfHeight;
    float t = Dot3(sphere - capsule.bottom, capsule.axis);
    if (t >= sum + length || t <= -sum) {
        return;
    }
    TVec4 x = t < 0.0f ? capsule.bottom : (t > length ? capsule.top : capsule.bottom + capsule.axis * t);
    float distance = std::sqrt(LengthSquared3(x - sphere));
    if (sum <= distance) {
        return;
    }
    TVec4 normal = std::fabs(distance) < 1e-6f ? capsule.side : (x - sphere) * (1.0f / distance);
    out->collided = 1;
    out->depth = sum - distance;
    out->normal = normal;
    out->worldPointA = x - normal * capsule.radius;
    out->worldPointB = sphere + normal * b->Radius();
}

void CollideBoxCapsule(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44& worldB)
{
    out->collided = 0;
    Capsule capsule = MakeCapsule(b, worldB);
    TVec4 h = a->HalfExtents();
    TVec4 p0 = InverseTransformPoint(worldA, capsule.bottom);
    TVec4 p1 = InverseTransformPoint(worldA, capsule.top);
    TVec4 onSegment;
    TVec4 onBox;
    ClosestSegmentBoxPoints(p0, p1, h, &onSegment, &onBox);
    TVec4 boxWorld = TransformPoint(worldA, onBox);
    TVec4 segmentWorld = TransformPoint(worldA, onSegment);
    float exact = std::sqrt(LengthSquared3(boxWorld - segmentWorld));
    if (exact > capsule.radius) {
        return;
    }
    float distance = Length3(boxWorld - segmentWorld);
    out->collided = 1;
    if (distance > 0.0f) {
        TVec4 normal = (boxWorld - segmentWorld) * (1.0f / distance);
        out->depth = capsule.radius - distance;
        out->normal = normal;
        out->worldPointA = boxWorld;
        out->worldPointB = segmentWorld + normal * capsule.radius;
        return;
    }
    // The axis touches or passes through the box: leave by the face of least penetration.
    int k = 0;
    for (int i = 1; i < 3; ++i) {
        if (h[i] - std::fabs(onSegment[i]) < h[k] - std::fabs(onSegment[k])) {
            k = i;
        }
    }
    float sign = onSegment[k] >= 0.0f ? 1.0f : -1.0f;
    TVec4 face = onSegment;
    face[k] = sign * h[k];
    TVec4 normal = worldA.row[k] * -sign;
    float inside = h[k] - std::fabs(onSegment[k]);
    out->depth = capsule.radius + (inside > 0.0f ? inside : 0.0f);
    out->normal = normal;
    out->worldPointA = TransformPoint(worldA, face);
    out->worldPointB = out->worldPointA + normal * out->depth;
}

namespace {

struct CapsulePairResult {
    float depth = -1e6f;
    bool hit = false;
    TVec4 normal;
    TVec4 pointA;
    TVec4 pointB;
};

void KeepEndContact(CapsulePairResult* result, float depth, const TVec4& normal, const TVec4& onAxisA, float radiusA,
                    const TVec4& onAxisB, float radiusB)
{
    if (depth > 0.0f && depth > result->depth) {
        result->depth = depth;
        result->hit = true;
        result->normal = normal;
        result->pointA = onAxisA - normal * radiusA;
        result->pointB = onAxisB + normal * radiusB;
    }
}

TVec4 FootOnLine(const TVec4& point, const TVec4& lineStart, const TVec4& lineEnd)
{
    TVec4 direction = Normalize3(lineEnd - lineStart);
    return lineStart + direction * Dot3(point - lineStart, direction);
}

} // namespace

void CollideCapsuleCapsule(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b,
                           const TMat44& worldB)
{
    out->collided = 0;
    Capsule ca = MakeCapsule(a, worldA);
    Capsule cb = MakeCapsule(b, worldB);
    float sum = ca.radius + cb.radius;
    TVec4 apart = ca.centre - cb.centre;
    TVec4 crossed = Cross3(ca.axis, cb.axis);
    if (Length3(crossed) > 0.0f) {
        TSegmentPair pair;
        pair.a0 = ca.bottom;
        pair.a1 = ca.top;
        pair.b0 = cb.bottom;
        pair.b1 = cb.top;
        float s = 0.0f;
        float t = 0.0f;
        if (pair.ClosestPoints(&s, &t) && pair.inside) {
            float depth = sum - pair.distance;
            if (depth <= 0.0f) {
                return;
            }
            TVec4 normal = DirectionOr(pair.pointA - pair.pointB, crossed, apart);
            out->collided = 1;
            out->depth = depth;
            out->normal = normal;
            out->worldPointA = pair.pointA - normal * ca.radius;
            out->worldPointB = pair.pointB + normal * cb.radius;
            return;
        }
    }
    // Parallel axes or closest points beyond an end: the ends against the other capsule.
    CapsulePairResult result;
    for (const TVec4& end : {ca.top, ca.bottom}) {
        float t = Dot3(end - cb.bottom, cb.axis);
        TVec4 onB = t < 0.0f ? cb.bottom : (t > 2.0f * cb.halfHeight ? cb.top : FootOnLine(end, cb.bottom, cb.top));
        float distance = Length3(end - onB);
        TVec4 normal = DirectionOr(end - onB, ca.side, apart);
        KeepEndContact(&result, sum - distance, normal, end, ca.radius, onB, cb.radius);
    }
    for (const TVec4& end : {cb.top, cb.bottom}) {
        float t = Dot3(end - ca.bottom, ca.axis);
        TVec4 onA = t < 0.0f ? ca.bottom : (t > 2.0f * ca.halfHeight ? ca.top : FootOnLine(end, ca.bottom, ca.top));
        float distance = Length3(onA - end);
        TVec4 normal = DirectionOr(onA - end, ca.side, apart);
        KeepEndContact(&result, sum - distance, normal, onA, ca.radius, end, cb.radius);
    }
    if (!result.hit) {
        return;
    }
    out->collided = 1;
    out->depth = result.depth;
    out->normal = result.normal;
    out->worldPointA = result.pointA;
    out->worldPointB = result.pointB;
}

namespace {

// False only when the triangle's plane separates it from the capsule.
bool TestCapsuleTriangleFace(const Capsule& capsule, const TTriangleFrame& triangle, TTriangleHit* slot)
{
    float s = Dot3(triangle.n, capsule.centre) - triangle.d;
    TVec4 towardsPlane = s < 0.0f ? triangle.n : -triangle.n;
    float reach = capsule.radius + capsule.halfHeight;
    if (reach <= std::fabs(s)) {
        return false;
    }
    TVec4 half = capsule.axis * capsule.halfHeight;
    float along = Dot3(half, towardsPlane);
    TVec4 end = along > 0.0f ? capsule.centre + half : capsule.centre - half;
    float distance = std::fabs(s) - std::fabs(along);
    TVec4 deepest = end + towardsPlane * capsule.radius;
    float depth = capsule.radius - distance;
    if (depth <= 0.0f) {
        return false;
    }
    if (depth >= slot->depth) {
        return true;
    }
    TVec4 foot = deepest - towardsPlane * depth;
    if (ClassifyTriangleRegion(triangle, foot) != -1) {
        return true;
    }
    // The deepest point lies over the face: a face contact, wherever the line through the centre meets the plane.
    slot->depth = depth;
    slot->hit = true;
    slot->pointA = deepest;
    slot->pointB = foot;
    slot->normal = -towardsPlane;
    return true;
}

void TestCapsuleTriangleEdge(const Capsule& capsule, const TVec4& edgeStart, const TVec4& edgeEnd,
                             const TTriangleFrame& triangle, TTriangleHit* slot)
{
    // The closest points of the axis and the edge, each kept on its own segment, so that the distance is
    // never shorter than the true one and a capsule ending short of the edge is not reported.
    TVec4 k;
    TVec4 q;
    ClampedSegmentPoints(capsule.top, capsule.bottom, edgeStart, edgeEnd, &k, &q);
    TVec4 side = triangle.n * (Dot3(triangle.n, capsule.centre) - triangle.d >= 0.0f ? 1.0f : -1.0f);
    TVec4 crossing = Cross3(edgeStart - edgeEnd, capsule.axis);
    if (Dot3(crossing, side) < 0.0f) {
        crossing = -crossing;
    }
    // Axis through the edge: across both, on the capsule's side of the triangle.
    TVec4 normal = DirectionOr(k - q, Length3(crossing) > 0.0f ? crossing : side, side);
    float depth = capsule.radius - Length3(k - q);
    if (depth <= 0.0f || !(depth < slot->depth)) {
        return;
    }
    slot->depth = depth;
    slot->hit = true;
    slot->normal = normal;
    slot->pointA = k - normal * capsule.radius;
    slot->pointB = q;
}

} // namespace

void CollideCapsuleTriangleSet(TContact* out, const TConvex* a, const TMat44& worldA, const TConvex* b, const TMat44&)
{
    Capsule capsule = MakeCapsule(a, worldA);
    CollideTriangleSet(out, b, false, [&](const TTerrainTriangle&, const TTriangleFrame& triangle, TTriangleHit* hit) {
        if (!TestCapsuleTriangleFace(capsule, triangle, hit)) {
            return false;
        }
        if (!hit->hit) {
            for (int e = 0; e < 3; ++e) {
                TestCapsuleTriangleEdge(capsule, triangle.Vertex(e), triangle.Vertex((e + 1) % 3), triangle, hit);
            }
        }
        return hit->hit;
    });
}
