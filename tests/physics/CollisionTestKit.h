#pragma once
// Shapes, random poses and double-precision reference checks for the collision tests.

#include "physics/TContact.h"
#include "physics/TConvex.h"
#include "physics/TMath.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace collisionkit {

struct Rng {
    explicit Rng(unsigned seed) : engine(seed) {}
    float Uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(engine); }
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    TVec4 Point(float range) { return Vec(Uniform(-range, range), Uniform(-range, range), Uniform(-range, range)); }
    TMat34 Rotation()
    {
        TQuat q;
        q.x = Uniform(-1, 1);
        q.y = Uniform(-1, 1);
        q.z = Uniform(-1, 1);
        q.w = Uniform(-1, 1);
        return RotationFromQuat(Normalize(q));
    }
    std::mt19937 engine;
};

inline TMat44 Pose(const TMat34& rotation, const TVec4& position)
{
    return MakeTransform(rotation, position);
}
inline TMat44 At(float x, float y, float z)
{
    return Pose(IdentityMat34(), Vec(x, y, z));
}

inline TMat34 RotationAbout(const TVec4& axis, float angle)
{
    TVec4 n = Normalize3(axis);
    float s = std::sin(angle * 0.5f);
    TQuat q;
    q.x = n.x * s;
    q.y = n.y * s;
    q.z = n.z * s;
    q.w = std::cos(angle * 0.5f);
    return RotationFromQuat(q);
}

inline TConvex Box(float hx, float hy, float hz)
{
    TConvex c;
    c.SetDefault();
    c.SetBoxSizeImpl(2 * hx, 2 * hy, 2 * hz);
    return c;
}

inline TConvex Sphere(float radius)
{
    TConvex c;
    c.SetDefault();
    c.SetSphereDiameter(2 * radius);
    return c;
}

inline TConvex Capsule(float radius, float halfHeight)
{
    TConvex c;
    c.SetDefault();
    c.SetCapsule(radius, halfHeight);
    return c;
}

// Links geometries into a body's bounding record and builds it.
inline void LinkBody(TConvex* bounds, TConvex* geometries, int count)
{
    bounds->SetDefault();
    bounds->next = count > 0 ? &geometries[0] : nullptr;
    for (int i = 0; i < count; ++i) {
        geometries[i].next = i + 1 < count ? &geometries[i + 1] : nullptr;
        geometries[i].prev = i > 0 ? &geometries[i - 1] : nullptr;
    }
    bounds->geometryCount = count;
    bounds->BuildBoundingConvex();
}

inline bool Finite(const TContact& c)
{
    return IsFinite3(c.normal) && IsFinite3(c.worldPointA) && IsFinite3(c.worldPointB) && std::isfinite(c.depth);
}

inline float Distance(const TVec4& a, const TVec4& b)
{
    return std::sqrt(LengthSquared3(a - b));
}

// Double-precision vectors for the reference checks.
struct D3 {
    double x = 0, y = 0, z = 0;
};
inline D3 ToD(const TVec4& v)
{
    return {v.x, v.y, v.z};
}
inline D3 operator-(const D3& a, const D3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline D3 operator+(const D3& a, const D3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline D3 operator*(const D3& a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(const D3& a, const D3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline D3 Cross(const D3& a, const D3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Len(const D3& a)
{
    return std::sqrt(Dot(a, a));
}

inline void BoxCorners(const TConvex& box, const TMat44& world, D3 (&out)[8])
{
    for (int i = 0; i < 8; ++i) {
        TVec4 local = Vec((i & 4) ? box.dims[0] : -box.dims[0], (i & 2) ? box.dims[1] : -box.dims[1],
                          (i & 1) ? box.dims[2] : -box.dims[2]);
        out[i] = ToD(TransformPoint(world, local));
    }
}

// World vertices, face normals and edge directions of a convex polytope.
struct Shape {
    std::vector<D3> vertices;
    std::vector<D3> normals;
    std::vector<D3> edges;
};

inline Shape BoxShape(const TConvex& box, const TMat44& world)
{
    Shape s;
    D3 corners[8];
    BoxCorners(box, world, corners);
    s.vertices.assign(corners, corners + 8);
    for (int k = 0; k < 3; ++k) {
        s.normals.push_back(ToD(world.row[k]));
        s.edges.push_back(ToD(world.row[k]));
    }
    return s;
}

inline Shape TriangleShape(const TVec4& a, const TVec4& b, const TVec4& c)
{
    Shape s;
    s.vertices = {ToD(a), ToD(b), ToD(c)};
    s.edges = {s.vertices[1] - s.vertices[0], s.vertices[2] - s.vertices[1], s.vertices[0] - s.vertices[2]};
    s.normals = {Cross(s.edges[0], s.edges[1])};
    return s;
}

// The separating-axis candidates of two polytopes: their face normals and edge cross products.
inline std::vector<D3> CandidateAxes(const Shape& a, const Shape& b)
{
    std::vector<D3> axes;
    for (const std::vector<D3>* normals : {&a.normals, &b.normals}) {
        for (const D3& n : *normals) {
            if (Len(n) > 1e-9) {
                axes.push_back(n * (1.0 / Len(n)));
            }
        }
    }
    for (const D3& ea : a.edges) {
        for (const D3& eb : b.edges) {
            D3 axis = Cross(ea, eb);
            if (Len(axis) > 1e-3 * Len(ea) * Len(eb)) {
                axes.push_back(axis * (1.0 / Len(axis)));
            }
        }
    }
    return axes;
}

// Overlap of two vertex sets along a unit axis (negative: separated).
inline double AxisOverlap(const std::vector<D3>& a, const std::vector<D3>& b, const D3& n)
{
    double lowA = 1e30, highA = -1e30, lowB = 1e30, highB = -1e30;
    for (const D3& v : a) {
        lowA = std::fmin(lowA, Dot(n, v));
        highA = std::fmax(highA, Dot(n, v));
    }
    for (const D3& v : b) {
        lowB = std::fmin(lowB, Dot(n, v));
        highB = std::fmax(highB, Dot(n, v));
    }
    return std::fmin(highA - lowB, highB - lowA);
}

// The overlaps along the candidate axes, smallest first. Axes that point almost the same way as a
// shallower one are left out, so the second entry is the best other axis.
inline std::vector<double> ShapeOverlaps(const Shape& a, const Shape& b)
{
    std::vector<std::pair<double, D3>> found;
    for (const D3& n : CandidateAxes(a, b)) {
        found.push_back({AxisOverlap(a.vertices, b.vertices, n), n});
    }
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<double> overlaps;
    std::vector<D3> kept;
    for (const auto& [overlap, n] : found) {
        bool near = false;
        for (const D3& k : kept) {
            near = near || std::fabs(Dot(k, n)) > 0.999;
        }
        if (!near) {
            overlaps.push_back(overlap);
            kept.push_back(n);
        }
    }
    return overlaps;
}

// Exact minimum penetration of two polytopes (negative when separated).
inline double Penetration(const Shape& a, const Shape& b)
{
    return ShapeOverlaps(a, b)[0];
}

// Closest point of a box (world) to a point, in double precision.
inline D3 ClosestOnBox(const TConvex& box, const TMat44& world, const D3& p)
{
    D3 centre = ToD(world.row[3]);
    D3 result = centre;
    for (int k = 0; k < 3; ++k) {
        D3 axis = ToD(world.row[k]);
        double t = Dot(p - centre, axis);
        double h = box.dims[k];
        t = t < -h ? -h : (t > h ? h : t);
        result = result + axis * t;
    }
    return result;
}

// Closest point of a triangle to a point, in double precision.
inline D3 ClosestOnTriangle(const D3& p, const D3& a, const D3& b, const D3& c)
{
    D3 ab = b - a, ac = c - a, ap = p - a;
    double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) {
        return a;
    }
    D3 bp = p - b;
    double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) {
        return b;
    }
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
        return a + ab * (d1 / (d1 - d3));
    }
    D3 cp = p - c;
    double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) {
        return c;
    }
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
        return a + ac * (d2 / (d2 - d6));
    }
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    }
    double denominator = 1.0 / (va + vb + vc);
    return a + ab * (vb * denominator) + ac * (vc * denominator);
}

inline TVec4 ToDVec(const D3& v)
{
    return Vec(float(v.x), float(v.y), float(v.z));
}

// Closest point of a segment to a point, in double precision.
inline D3 ClosestOnSegment(const D3& p, const D3& a, const D3& b)
{
    D3 d = b - a;
    double dd = Dot(d, d);
    double t = dd > 0 ? Dot(p - a, d) / dd : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return a + d * t;
}

// Distance of a segment from a shape: the minimum over a dense sampling of the segment, each sample
// taken exactly onto the shape by closest(p).
template <typename Closest> double SampledDistance(const D3& a0, const D3& a1, Closest closest)
{
    double best = 1e30;
    for (int i = 0; i <= 2000; ++i) {
        D3 p = a0 + (a1 - a0) * (i / 2000.0);
        best = std::fmin(best, Len(p - closest(p)));
    }
    return best;
}

inline double SegmentGap(const D3& a0, const D3& a1, const D3& b0, const D3& b1)
{
    double best = SampledDistance(a0, a1, [&](const D3& p) { return ClosestOnSegment(p, b0, b1); });
    for (const D3& p : {b0, b1}) {
        best = std::fmin(best, Len(p - ClosestOnSegment(p, a0, a1)));
    }
    return best;
}

// Distance of a segment given in a box's own frame from the box of half sizes h.
inline double SegmentBoxGap(const TVec4& p0, const TVec4& p1, const TVec4& h)
{
    return SampledDistance(ToD(p0), ToD(p1), [&](const D3& p) {
        return D3{std::fmax(-h.x, std::fmin(h.x, p.x)), std::fmax(-h.y, std::fmin(h.y, p.y)),
                  std::fmax(-h.z, std::fmin(h.z, p.z))};
    });
}

inline void CapsuleEnds(const TConvex& c, const TMat44& w, D3* e0, D3* e1)
{
    *e0 = ToD(w.row[3] - w.row[1] * c.HalfHeight());
    *e1 = ToD(w.row[3] + w.row[1] * c.HalfHeight());
}

// The pair tested as given and reversed, through the dispatcher.
inline std::pair<TContact, TContact> CollideBothWays(const TConvex& a, const TMat44& wa, const TConvex& b,
                                                     const TMat44& wb)
{
    TContact forward{};
    TContact reversed{};
    CollidePrimitives(&forward, &a, wa, &b, wb);
    CollidePrimitives(&reversed, &b, wb, &a, wa);
    return {forward, reversed};
}

// A hit where the reference overlaps by more than the margin, none where it is apart by more.
inline testing::AssertionResult HitAgrees(const TContact& c, double overlap, double margin)
{
    if ((overlap > margin && c.collided != 1) || (overlap < -margin && c.collided != 0)) {
        return testing::AssertionFailure() << "collided " << c.collided << " with reference overlap " << overlap;
    }
    return testing::AssertionSuccess();
}

// Point B = point A + normal * depth, the normal of unit length.
inline void ExpectConsistent(const TContact& c, int pair, float tolerance = 2e-3f)
{
    ASSERT_TRUE(Finite(c)) << pair;
    EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-4f) << pair;
    EXPECT_GT(c.depth, 0.0f) << pair;
    EXPECT_LT(Distance(c.worldPointB, c.worldPointA + c.normal * c.depth), tolerance) << pair;
}

// The reversed call describes the same contact: normal negated, points exchanged, same depth.
inline void ExpectMirrored(const TContact& forward, const TContact& backward, float tolerance, int pair)
{
    ASSERT_EQ(backward.collided, 1) << pair;
    EXPECT_NEAR(forward.depth, backward.depth, tolerance) << pair;
    EXPECT_LT(Dot3(forward.normal, backward.normal), -0.9999f) << pair;
    EXPECT_LT(Distance(forward.worldPointA, backward.worldPointB), tolerance) << pair;
    EXPECT_LT(Distance(forward.worldPointB, backward.worldPointA), tolerance) << pair;
}

// The pose moved out along the contact normal by the depth and a little more.
inline TMat44 PushedOut(const TMat44& world, const TContact& c, float extra = 2e-3f)
{
    TMat44 moved = world;
    moved.row[3] = world.row[3] + c.normal * (c.depth + extra);
    return moved;
}

// A random pair for the reference checks: the shapes, their poses and the exact overlap of the two with A at a
// given pose (negative when apart).
struct ReferencePair {
    TConvex a;
    TConvex b;
    TMat44 wa = IdentityMat44();
    TMat44 wb = IdentityMat44();
    std::function<double(const TMat44& wa)> overlap;
    bool reversible = true;   // false for a triangle set, which never stands first
    bool sameFeatures = true; // no near tie, so the reversed call finds the same points
};

struct ReferenceMargins {
    double hit = 1e-4; // closer to touching than this, either answer stands
    double shallower = 1e-4;
    double deeper = 5e-4;
    double leftAfterPush = 1e-6; // overlap allowed once A is pushed out along the normal
    float mirror = 1e-4f;
};

// Collides count pairs from make (false: skip the case) as given and reversed: a hit exactly when the reference
// overlaps, its depth, a normal from B to A that separates them once A is pushed out along it, and a reversed
// call describing the same contact. extra checks what is particular to the pair. Returns the hits.
inline int
ExpectAgreesWithReference(int count, const std::function<bool(ReferencePair&)>& make,
                          const ReferenceMargins& margins = {},
                          const std::function<void(const TContact&, const ReferencePair&, int)>& extra = nullptr)
{
    int hits = 0;
    for (int i = 0; i < count && !testing::Test::HasFailure(); ++i) {
        ReferencePair pair;
        if (!make(pair)) {
            continue;
        }
        double overlap = pair.overlap(pair.wa);
        TContact c{};
        TContact reversed{};
        CollidePrimitives(&c, &pair.a, pair.wa, &pair.b, pair.wb);
        EXPECT_TRUE(HitAgrees(c, overlap, margins.hit)) << i;
        if (pair.reversible) {
            CollidePrimitives(&reversed, &pair.b, pair.wb, &pair.a, pair.wa);
            EXPECT_TRUE(HitAgrees(reversed, overlap, margins.hit)) << i;
        }
        if (!c.collided || (pair.reversible && !reversed.collided)) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_GE(c.depth, overlap - margins.shallower) << i;
        EXPECT_LE(c.depth, overlap + margins.deeper) << i;
        EXPECT_LT(pair.overlap(PushedOut(pair.wa, c)), margins.leftAfterPush) << i;
        if (pair.reversible && pair.sameFeatures) {
            ExpectMirrored(c, reversed, margins.mirror, i);
        } else if (pair.reversible) {
            EXPECT_NEAR(c.depth, reversed.depth, margins.deeper) << i;
        }
        if (extra) {
            extra(c, pair, i);
        }
    }
    return hits;
}

} // namespace collisionkit
