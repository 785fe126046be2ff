// Random placements of the pairs that the other collision tests cover only by hand-made cases: spheres
// against spheres and capsules, capsules against capsules, hulls against hulls and against triangles.
// Each is checked against a double-precision reference: a hit exactly
// when the shapes overlap, the depth, the normal from B to A, separation once A is pushed out along the
// normal, and the reversed call negating the normal and exchanging the points.

#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

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
        auto [c, reversed] = CollideBothWays(a, wa, b, wb);
        ASSERT_TRUE(HitAgrees(c, -gap, 1e-4)) << i;
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
        auto [c, reversed] = CollideBothWays(capsule, wa, sphere, wb);
        ASSERT_TRUE(HitAgrees(c, -gap, 1e-4)) << i;
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
        auto [c, reversed] = CollideBothWays(a, wa, b, wb);
        ASSERT_TRUE(HitAgrees(c, -gap, 2e-3)) << i;
        ASSERT_TRUE(HitAgrees(reversed, -gap, 2e-3)) << i;
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
        auto [c, reversed] = CollideBothWays(a, wa, b, wb);
        ASSERT_TRUE(HitAgrees(c, overlaps[0], 1e-4)) << i;
        ASSERT_TRUE(HitAgrees(reversed, overlaps[0], 1e-4)) << i;
        if (!c.collided || !reversed.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_GE(c.depth, overlaps[0] - 1e-4) << i;
        EXPECT_LE(c.depth, overlaps[0] + 5e-4) << i;
        EXPECT_LT(Penetration(HullShape(first, PushedOut(wa, c)), HullShape(box, wb)), 1e-6) << i;
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
        double reference = Penetration(HullShape(hull, world), triangle);
        TContact c{};
        CollidePrimitives(&c, &points, world, &set, IdentityMat44());
        ASSERT_TRUE(HitAgrees(c, reference, 1e-4)) << i;
        if (!c.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_GE(c.depth, reference - 1e-4) << i;
        EXPECT_LE(c.depth, reference + 5e-4) << i;
        EXPECT_EQ(c.materialB, 5);
        EXPECT_LT(Penetration(HullShape(hull, PushedOut(world, c)), triangle), 1e-6) << i;
    }
    EXPECT_GT(hits, 1000);
}
