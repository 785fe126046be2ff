// Random placements of the pairs that the other collision tests cover only by hand-made cases: spheres
// against spheres and capsules, capsules against capsules, hulls against hulls and against triangles,
// and the box-box test run both ways. Each is checked against a double-precision reference: a hit exactly
// when the shapes overlap, the depth, the normal from B to A, separation once A is pushed out along the
// normal, and the reversed call negating the normal and exchanging the points.

#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"
#include "physics/TTriangleFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace collisionkit;

namespace {

// Closest point of a segment to a point, in double precision.
D3 ClosestOnSegment(const D3& p, const D3& a, const D3& b)
{
    D3 d = b - a;
    double dd = Dot(d, d);
    double t = dd > 0 ? Dot(p - a, d) / dd : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return a + d * t;
}

// Distance of two segments: the minimum over a dense sampling of one, each sample clamped exactly onto the other.
double SegmentGap(const D3& a0, const D3& a1, const D3& b0, const D3& b1)
{
    double best = 1e30;
    for (int i = 0; i <= 2000; ++i) {
        D3 p = a0 + (a1 - a0) * (i / 2000.0);
        best = std::fmin(best, Len(p - ClosestOnSegment(p, b0, b1)));
    }
    for (const D3& p : {b0, b1}) {
        best = std::fmin(best, Len(p - ClosestOnSegment(p, a0, a1)));
    }
    return best;
}

void CapsuleEnds(const TConvex& c, const TMat44& w, D3* e0, D3* e1)
{
    *e0 = ToD(w.row[3] - w.row[1] * c.HalfHeight());
    *e1 = ToD(w.row[3] + w.row[1] * c.HalfHeight());
}

// Overlaps of two convex vertex sets along candidate axes, smallest first (negative: separated). Axes
// that point almost the same way as a shallower one are left out, so the second entry is the best other axis.
std::vector<double> AxisOverlaps(const std::vector<D3>& a, const std::vector<D3>& b, const std::vector<D3>& axes)
{
    std::vector<std::pair<double, D3>> found;
    for (const D3& axis : axes) {
        double length = Len(axis);
        if (length < 1e-9) {
            continue;
        }
        D3 n = axis * (1.0 / length);
        double lowA = 1e30, highA = -1e30, lowB = 1e30, highB = -1e30;
        for (const D3& v : a) {
            lowA = std::fmin(lowA, Dot(n, v));
            highA = std::fmax(highA, Dot(n, v));
        }
        for (const D3& v : b) {
            lowB = std::fmin(lowB, Dot(n, v));
            highB = std::fmax(highB, Dot(n, v));
        }
        found.push_back({std::fmin(highA - lowB, highB - lowA), n});
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

// World vertices, face normals and edge directions of a hull, a box or a triangle.
struct Shape {
    std::vector<D3> vertices;
    std::vector<D3> normals;
    std::vector<D3> edges;
};

Shape HullShape(const HullBuilder& hull, const TMat44& world)
{
    Shape s;
    for (const TVec4& v : hull.vertices) {
        s.vertices.push_back(ToD(TransformPoint(world, v)));
    }
    for (const TVec4& p : hull.planes) {
        s.normals.push_back(ToD(Rotate(world, p)));
    }
    for (const THullEdge& e : hull.edges) {
        s.edges.push_back(ToD(Rotate(world, hull.vertices[e.vertex[1]] - hull.vertices[e.vertex[0]])));
    }
    return s;
}

Shape BoxShape(const TConvex& box, const TMat44& world)
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

Shape TriangleShape(const TVec4& a, const TVec4& b, const TVec4& c)
{
    Shape s;
    s.vertices = {ToD(a), ToD(b), ToD(c)};
    s.edges = {s.vertices[1] - s.vertices[0], s.vertices[2] - s.vertices[1], s.vertices[0] - s.vertices[2]};
    s.normals = {Cross(s.edges[0], s.edges[1])};
    return s;
}

std::vector<double> ShapeOverlaps(const Shape& a, const Shape& b)
{
    std::vector<D3> axes = a.normals;
    axes.insert(axes.end(), b.normals.begin(), b.normals.end());
    for (const D3& ea : a.edges) {
        for (const D3& eb : b.edges) {
            D3 axis = Cross(ea, eb);
            if (Len(axis) > 1e-3 * Len(ea) * Len(eb)) {
                axes.push_back(axis);
            }
        }
    }
    return AxisOverlaps(a.vertices, b.vertices, axes);
}

// The reversed call describes the same contact: normal negated, points exchanged, same depth.
void ExpectMirrored(const TContact& forward, const TContact& backward, float tolerance, int pair)
{
    ASSERT_EQ(backward.collided, 1) << pair;
    EXPECT_NEAR(forward.depth, backward.depth, tolerance) << pair;
    EXPECT_LT(Dot3(forward.normal, backward.normal), -0.9999f) << pair;
    EXPECT_LT(Distance(forward.worldPointA, backward.worldPointB), tolerance) << pair;
    EXPECT_LT(Distance(forward.worldPointB, backward.worldPointA), tolerance) << pair;
}

// Point B = point A + normal * depth, the normal of unit length.
void ExpectConsistent(const TContact& c, int pair)
{
    ASSERT_TRUE(Finite(c)) << pair;
    EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-4f) << pair;
    EXPECT_GT(c.depth, 0.0f) << pair;
    EXPECT_LT(Distance(c.worldPointB, c.worldPointA + c.normal * c.depth), 2e-3f) << pair;
}

TMat44 PushedOut(const TMat44& world, const TContact& c)
{
    TMat44 moved = world;
    moved.row[3] = world.row[3] + c.normal * (c.depth + 2e-3f);
    return moved;
}

} // namespace

TEST(SphereSphere, RandomPlacementsMatchCentreDistanceBothWays)
{
    Rng rng(71);
    int hits = 0;
    for (int i = 0; i < 20000; ++i) {
        TConvex a = Sphere(rng.Uniform(0.05f, 1.0f));
        TConvex b = Sphere(rng.Uniform(0.05f, 1.0f));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1.5f));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1.5f));
        D3 between = ToD(wa.row[3]) - ToD(wb.row[3]);
        double gap = Len(between) - a.Radius() - b.Radius();
        TContact c{};
        TContact reversed{};
        CollidePrimitives(&c, &a, wa, &b, wb);
        CollidePrimitives(&reversed, &b, wb, &a, wa);
        if (gap < -1e-4) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (gap > 1e-4) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        ASSERT_EQ(c.collided, reversed.collided) << i;
        if (!c.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_NEAR(c.depth, -gap, 1e-4) << i;
        EXPECT_GT(Dot(ToD(c.normal), between * (1.0 / Len(between))), 0.9999) << i;
        // Point A on A's surface, point B on B's.
        EXPECT_NEAR(Distance(c.worldPointA, wa.row[3]), a.Radius(), 1e-4f) << i;
        EXPECT_NEAR(Distance(c.worldPointB, wb.row[3]), b.Radius(), 1e-4f) << i;
        EXPECT_GT(Distance(PushedOut(wa, c).row[3], wb.row[3]), a.Radius() + b.Radius()) << i;
        ExpectMirrored(c, reversed, 1e-5f, i);
    }
    EXPECT_GT(hits, 2000);
}

TEST(Capsule, SphereAtRandomMatchesSegmentDistanceBothWays)
{
    Rng rng(73);
    int hits = 0;
    for (int i = 0; i < 20000; ++i) {
        TConvex capsule = Capsule(rng.Uniform(0.05f, 0.8f), rng.Uniform(0.0f, 1.2f));
        TConvex sphere = Sphere(rng.Uniform(0.05f, 0.8f));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1.0f));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(2.0f));
        D3 e0, e1;
        CapsuleEnds(capsule, wa, &e0, &e1);
        D3 centre = ToD(wb.row[3]);
        D3 nearest = ClosestOnSegment(centre, e0, e1);
        double distance = Len(centre - nearest);
        double gap = distance - capsule.Radius() - sphere.Radius();
        TContact c{};
        TContact reversed{};
        CollidePrimitives(&c, &capsule, wa, &sphere, wb);
        CollidePrimitives(&reversed, &sphere, wb, &capsule, wa);
        if (gap < -1e-4) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (gap > 1e-4) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        ASSERT_EQ(c.collided, reversed.collided) << i;
        if (!c.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_NEAR(c.depth, -gap, 2e-4) << i;
        if (distance > 1e-3) {
            // From the sphere towards the nearest point of the capsule's axis.
            D3 expected = (nearest - centre) * (1.0 / distance);
            EXPECT_GT(Dot(ToD(c.normal), expected), 0.999) << i;
            TMat44 moved = PushedOut(wa, c);
            CapsuleEnds(capsule, moved, &e0, &e1);
            EXPECT_GT(Len(centre - ClosestOnSegment(centre, e0, e1)), capsule.Radius() + sphere.Radius()) << i;
        }
        ExpectMirrored(c, reversed, 1e-5f, i);
    }
    EXPECT_GT(hits, 2000);
}

TEST(Capsule, CapsulePairsSeparateWhenPushedOutAndMirrorWhenReversed)
{
    Rng rng(79);
    int hits = 0;
    for (int i = 0; i < 4000; ++i) {
        TConvex a = Capsule(rng.Uniform(0.1f, 0.6f), rng.Uniform(0.0f, 1.2f));
        TConvex b = Capsule(rng.Uniform(0.1f, 0.6f), rng.Uniform(0.0f, 1.2f));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1.2f));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1.2f));
        D3 a0, a1, b0, b1;
        CapsuleEnds(a, wa, &a0, &a1);
        CapsuleEnds(b, wb, &b0, &b1);
        double gap = SegmentGap(a0, a1, b0, b1) - a.Radius() - b.Radius();
        TContact c{};
        TContact reversed{};
        CollidePrimitives(&c, &a, wa, &b, wb);
        CollidePrimitives(&reversed, &b, wb, &a, wa);
        if (gap < -2e-3) {
            ASSERT_EQ(c.collided, 1) << i;
            ASSERT_EQ(reversed.collided, 1) << i;
        } else if (gap > 2e-3) {
            ASSERT_EQ(c.collided, 0) << i;
            ASSERT_EQ(reversed.collided, 0) << i;
        }
        if (!c.collided || !reversed.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_NEAR(c.depth, -gap, 3e-3) << i;
        EXPECT_NEAR(reversed.depth, c.depth, 3e-3) << i;
        CapsuleEnds(a, PushedOut(wa, c), &a0, &a1);
        EXPECT_GT(SegmentGap(a0, a1, b0, b1) - a.Radius() - b.Radius(), -1e-4) << i;
        CapsuleEnds(b, PushedOut(wb, reversed), &b0, &b1);
        CapsuleEnds(a, wa, &a0, &a1);
        EXPECT_GT(SegmentGap(a0, a1, b0, b1) - a.Radius() - b.Radius(), -1e-4) << i;
        // Unless the axes nearly cross, the two calls find the same pair of closest points.
        if (-gap < std::fmin(a.Radius(), b.Radius()) * 0.5) {
            ExpectMirrored(c, reversed, 2e-3f, i);
        }
    }
    EXPECT_GT(hits, 500);
}

TEST(BoxBox, ReversedCallNegatesNormalAndExchangesPoints)
{
    Rng rng(83);
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        TConvex a = Box(rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f));
        TConvex b = Box(rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(2.0f));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(2.0f));
        TContact c{};
        TContact reversed{};
        CollidePrimitives(&c, &a, wa, &b, wb);
        CollidePrimitives(&reversed, &b, wb, &a, wa);
        std::vector<double> overlaps = ShapeOverlaps(BoxShape(a, wa), BoxShape(b, wb));
        if (std::fabs(overlaps[0]) > 1e-4) {
            ASSERT_EQ(c.collided, reversed.collided) << i;
        }
        if (!c.collided || !reversed.collided) {
            continue;
        }
        EXPECT_NEAR(c.depth, reversed.depth, 5e-4f) << i;
        // Where one axis is clearly the shallowest, both calls pick it and the same feature points.
        if (overlaps[1] - overlaps[0] > 1e-3) {
            ++compared;
            ExpectMirrored(c, reversed, 1e-4f, i);
        }
    }
    EXPECT_GT(compared, 2000);
}

TEST(Hull, HullPairsMatchReferenceSeparateAndMirror)
{
    Rng rng(89);
    HullBuilder octahedron = HullBuilder::Octahedron(0.7f);
    int hits = 0;
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        HullBuilder box = HullBuilder::Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        const HullBuilder& first = i % 2 == 0 ? octahedron : box;
        TConvex a = PointSet(first);
        TConvex b = PointSet(box);
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1));
        std::vector<double> overlaps = ShapeOverlaps(HullShape(first, wa), HullShape(box, wb));
        TContact c{};
        TContact reversed{};
        CollidePrimitives(&c, &a, wa, &b, wb);
        CollidePrimitives(&reversed, &b, wb, &a, wa);
        if (overlaps[0] > 1e-4) {
            ASSERT_EQ(c.collided, 1) << i;
            ASSERT_EQ(reversed.collided, 1) << i;
        } else if (overlaps[0] < -1e-4) {
            ASSERT_EQ(c.collided, 0) << i;
            ASSERT_EQ(reversed.collided, 0) << i;
        }
        if (!c.collided || !reversed.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_GE(c.depth, overlaps[0] - 1e-4) << i;
        EXPECT_LE(c.depth, overlaps[0] + 5e-4) << i;
        EXPECT_LT(ShapeOverlaps(HullShape(first, PushedOut(wa, c)), HullShape(box, wb))[0], 1e-6) << i;
        if (overlaps[1] - overlaps[0] > 1e-3) {
            ++compared;
            ExpectMirrored(c, reversed, 1e-4f, i);
        }
    }
    EXPECT_GT(hits, 500);
    EXPECT_GT(compared, 300);
}

TEST(Hull, HullAgainstRandomTrianglesMatchesReferenceAndPushesOut)
{
    Rng rng(97);
    HullBuilder octahedron = HullBuilder::Octahedron(0.6f);
    int hits = 0;
    for (int i = 0; i < 6000; ++i) {
        HullBuilder box = HullBuilder::Box(rng.Uniform(0.05f, 1), rng.Uniform(0.05f, 1), rng.Uniform(0.05f, 1));
        const HullBuilder& hull = i % 2 == 0 ? octahedron : box;
        TestMesh mesh;
        if (!AddRandomTriangle(mesh, rng, 1.5f, 5)) {
            continue;
        }
        TConvex set = mesh.Set();
        TConvex points = PointSet(hull);
        TMat44 world = Pose(rng.Rotation(), rng.Point(1.5f));
        Shape triangle = TriangleShape(mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]);
        double reference = ShapeOverlaps(HullShape(hull, world), triangle)[0];
        TContact c{};
        CollidePrimitives(&c, &points, world, &set, IdentityMat44());
        if (reference > 1e-4) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (reference < -1e-4) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        if (!c.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_GE(c.depth, reference - 1e-4) << i;
        EXPECT_LE(c.depth, reference + 5e-4) << i;
        EXPECT_EQ(c.materialB, 5);
        EXPECT_LT(ShapeOverlaps(HullShape(hull, PushedOut(world, c)), triangle)[0], 1e-6) << i;
    }
    EXPECT_GT(hits, 1000);
}
