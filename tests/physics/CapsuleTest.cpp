#include "CollisionTestKit.h"
#include "TerrainMeshKit.h"

#include "physics/CapsuleCollision.h"
#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"
#include "physics/TTriangleFrame.h"

#include <gtest/gtest.h>

using namespace collisionkit;

namespace {

// Distance of two segments by dense sampling of one and exact clamping on the other, in double precision.
double SegmentDistance(const D3& a0, const D3& a1, const D3& b0, const D3& b1)
{
    double best = 1e30;
    D3 db = b1 - b0;
    double bb = Dot(db, db);
    for (int i = 0; i <= 4000; ++i) {
        D3 p = a0 + (a1 - a0) * (i / 4000.0);
        double t = bb > 0 ? Dot(p - b0, db) / bb : 0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        best = std::fmin(best, Len(p - (b0 + db * t)));
    }
    return best;
}

} // namespace

TEST(Capsule, SphereBesideTheMiddleAndOnTheAxis)
{
    TConvex capsule = Capsule(1.0f, 2.0f);
    TConvex sphere = Sphere(1.0f);
    TContact c{};
    CollideCapsuleSphere(&c, &capsule, At(0, 0, 0), &sphere, At(1.5f, 0.3f, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.5f, 1e-5f);
    EXPECT_NEAR(c.normal.x, -1.0f, 1e-6f); // from the sphere towards the capsule
    // On the axis: full depth along the capsule's x axis.
    CollideCapsuleSphere(&c, &capsule, At(0, 0, 0), &sphere, At(0, 1.0f, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 2.0f, 1e-6f);
    EXPECT_NEAR(c.normal.x, 1.0f, 1e-6f);
    // Beyond the top end: the end cap decides.
    CollideCapsuleSphere(&c, &capsule, At(0, 0, 0), &sphere, At(0, 3.9f, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.1f, 1e-5f);
    CollideCapsuleSphere(&c, &capsule, At(0, 0, 0), &sphere, At(0, 4.0f, 0));
    EXPECT_EQ(c.collided, 0);
}

TEST(Capsule, ClosestSegmentBoxPointsMatchesSampling)
{
    Rng rng(17);
    for (int i = 0; i < 2000; ++i) {
        TVec4 h = Vec(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        TVec4 p0 = rng.Point(2.5f);
        TVec4 p1 = rng.Point(2.5f);
        TVec4 onSegment, onBox;
        ClosestSegmentBoxPoints(p0, p1, h, &onSegment, &onBox);
        double found = Len(ToD(onSegment) - ToD(onBox));
        double sampled = 1e30;
        for (int s = 0; s <= 2000; ++s) {
            D3 p = ToD(p0) + (ToD(p1) - ToD(p0)) * (s / 2000.0);
            D3 q = {std::fmax(-h.x, std::fmin(h.x, p.x)), std::fmax(-h.y, std::fmin(h.y, p.y)),
                    std::fmax(-h.z, std::fmin(h.z, p.z))};
            sampled = std::fmin(sampled, Len(p - q));
        }
        EXPECT_LE(found, sampled + 1e-4) << i;
        EXPECT_GE(found, sampled - 5e-3) << i;
    }
}

TEST(Capsule, RandomPairsAgreeWithSegmentDistances)
{
    Rng rng(19);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        TConvex a = Capsule(rng.Uniform(0.1f, 0.6f), rng.Uniform(0.0f, 1.2f));
        TConvex b = Capsule(rng.Uniform(0.1f, 0.6f), rng.Uniform(0.0f, 1.2f));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1.2f));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1.2f));
        auto ends = [](const TConvex& c, const TMat44& w, D3* e0, D3* e1) {
            *e0 = ToD(w.row[3] - w.row[1] * c.HalfHeight());
            *e1 = ToD(w.row[3] + w.row[1] * c.HalfHeight());
        };
        D3 a0, a1, b0, b1;
        ends(a, wa, &a0, &a1);
        ends(b, wb, &b0, &b1);
        double gap = SegmentDistance(a0, a1, b0, b1) - a.Radius() - b.Radius();
        TContact c{};
        CollideCapsuleCapsule(&c, &a, wa, &b, wb);
        if (gap < -2e-3) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (gap > 2e-3) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        if (!c.collided) {
            continue;
        }
        ++hits;
        ASSERT_TRUE(Finite(c));
        EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-4f);
        EXPECT_NEAR(c.depth, -gap, 3e-3) << i;
        EXPECT_NEAR(Dot3(c.worldPointB - c.worldPointA, c.normal), c.depth, 2e-3f);
    }
    EXPECT_GT(hits, 300);
}

TEST(Capsule, ParallelCapsulesSideBySideUseTheEnds)
{
    TConvex a = Capsule(0.5f, 1.0f);
    TConvex b = Capsule(0.5f, 2.0f);
    TContact c{};
    CollideCapsuleCapsule(&c, &a, At(0.8f, 0.5f, 0), &b, At(0, 0, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.2f, 1e-5f);
    EXPECT_NEAR(c.normal.x, 1.0f, 1e-5f);
    // Coaxial ends meeting: a finite fallback normal.
    CollideCapsuleCapsule(&c, &a, At(0, 3.0f, 0), &b, At(0, 0, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_TRUE(Finite(c));
    EXPECT_NEAR(c.depth, 1.0f, 1e-5f);
    // Crossing axes that meet: a finite normal as well.
    TMat44 crossed = Pose(RotationAbout(Vec(0, 0, 1), 1.5707964f), Vec(0, 0, 0));
    CollideCapsuleCapsule(&c, &a, crossed, &b, At(0, 0, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_TRUE(Finite(c));
    EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-5f);
}

TEST(Capsule, BoxAgainstCapsuleMatchesSegmentBoxDistanceAndSwaps)
{
    Rng rng(23);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        TConvex box = Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        TConvex capsule = Capsule(rng.Uniform(0.1f, 0.5f), rng.Uniform(0, 1));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1.5f));
        TContact c{};
        TContact swapped{};
        CollidePrimitives(&c, &box, wa, &capsule, wb);
        CollidePrimitives(&swapped, &capsule, wb, &box, wa);
        ASSERT_EQ(c.collided, swapped.collided);
        if (!c.collided) {
            continue;
        }
        ++hits;
        ASSERT_TRUE(Finite(c));
        // Against the sampled distance of the axis from the box.
        TVec4 p0 = InverseTransformPoint(wa, wb.row[3] - wb.row[1] * capsule.HalfHeight());
        TVec4 p1 = InverseTransformPoint(wa, wb.row[3] + wb.row[1] * capsule.HalfHeight());
        double sampled = 1e30;
        for (int s = 0; s <= 2000; ++s) {
            D3 p = ToD(p0) + (ToD(p1) - ToD(p0)) * (s / 2000.0);
            D3 q = {std::fmax(-box.dims[0], std::fmin(box.dims[0], p.x)),
                    std::fmax(-box.dims[1], std::fmin(box.dims[1], p.y)),
                    std::fmax(-box.dims[2], std::fmin(box.dims[2], p.z))};
            sampled = std::fmin(sampled, Len(p - q));
        }
        EXPECT_LE(sampled, capsule.Radius() + 1e-3) << i;
        if (sampled > 2e-3) {
            EXPECT_NEAR(c.depth, capsule.Radius() - sampled, 2e-3) << i;
            TMat44 moved = wa;
            moved.row[3] = wa.row[3] + c.normal * (c.depth + 2e-3f);
            TContact after{};
            CollideBoxCapsule(&after, &box, moved, &capsule, wb);
            EXPECT_EQ(after.collided, 0) << i;
        }
        EXPECT_EQ(c.normal.x, -swapped.normal.x);
        EXPECT_EQ(c.worldPointA.y, swapped.worldPointB.y);
        EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-4f);
        EXPECT_GT(c.depth, 0.0f);
    }
    EXPECT_GT(hits, 300);
}

TEST(Capsule, AxisThroughTheBoxLeavesByTheNearestFace)
{
    TConvex box = Box(2, 0.5f, 2);
    TConvex capsule = Capsule(0.2f, 1.0f);
    TMat44 lying = Pose(RotationAbout(Vec(0, 0, 1), 1.5707964f), Vec(0, 0.3f, 0));
    TContact c{};
    CollideBoxCapsule(&c, &box, At(0, 0, 0), &capsule, lying);
    ASSERT_EQ(c.collided, 1);
    EXPECT_TRUE(Finite(c));
    EXPECT_NEAR(c.normal.y, -1.0f, 1e-5f); // the box goes down, away from the capsule above its centre
    EXPECT_NEAR(c.depth, 0.2f + 0.2f, 1e-5f);
}

TEST(Capsule, LyingOnFlatGroundAndStandingOnIt)
{
    TestMesh ground = HeightGrid(
        4, 2.0f, [](float, float) { return 0.0f; }, 5);
    TConvex set = ground.Set();
    TConvex capsule = Capsule(0.3f, 1.0f);
    TMat44 lying = Pose(RotationAbout(Vec(0, 0, 1), 1.5707964f), Vec(3.1f, 0.25f, 3.3f));
    TContact c{};
    CollideCapsuleTriangleSet(&c, &capsule, lying, &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.normal.y, 1.0f, 1e-5f);
    EXPECT_NEAR(c.depth, 0.05f, 1e-5f);
    EXPECT_EQ(c.materialB, 5);
    TContact standing{};
    CollideCapsuleTriangleSet(&standing, &capsule, At(3.1f, 1.2f, 3.3f), &set, IdentityMat44());
    ASSERT_EQ(standing.collided, 1);
    EXPECT_NEAR(standing.depth, 0.1f, 1e-5f);
    EXPECT_NEAR(standing.normal.y, 1.0f, 1e-5f);
    TContact above{};
    CollideCapsuleTriangleSet(&above, &capsule, At(3.1f, 1.31f, 3.3f), &set, IdentityMat44());
    EXPECT_EQ(above.collided, 0);
}

TEST(Capsule, CapsuleOverTriangleEdgeTouchesTheEdge)
{
    TestMesh mesh;
    mesh.Add(Vec(0, 0, 0), Vec(0, 0, 1), Vec(1, 0, 0), 2);
    TConvex set = mesh.Set();
    TConvex capsule = Capsule(0.2f, 0.5f);
    // Lying along z just beyond the edge x = 0, slightly below the plane's level.
    TMat44 pose = Pose(RotationAbout(Vec(1, 0, 0), 1.5707964f), Vec(-0.1f, 0.0f, 0.5f));
    TContact c{};
    CollideCapsuleTriangleSet(&c, &capsule, pose, &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_TRUE(Finite(c));
    EXPECT_NEAR(c.depth, 0.1f, 1e-4f);
    EXPECT_LT(c.normal.x, -0.99f);
}

TEST(Capsule, RandomTrianglesAgreeWithSampledDistance)
{
    Rng rng(67);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        TestMesh mesh;
        if (!AddRandomTriangle(mesh, rng, 1.5f, 3)) {
            continue;
        }
        TConvex set = mesh.Set();
        TConvex capsule = Capsule(rng.Uniform(0.1f, 0.5f), rng.Uniform(0.0f, 0.8f));
        TMat44 world = Pose(rng.Rotation(), rng.Point(1.5f));
        D3 e0 = ToD(world.row[3] - world.row[1] * capsule.HalfHeight());
        D3 e1 = ToD(world.row[3] + world.row[1] * capsule.HalfHeight());
        double distance = 1e30;
        for (int s = 0; s <= 2000; ++s) {
            D3 p = e0 + (e1 - e0) * (s / 2000.0);
            D3 q = ClosestOnTriangle(p, ToD(mesh.vertices[0]), ToD(mesh.vertices[1]), ToD(mesh.vertices[2]));
            distance = std::fmin(distance, Len(p - q));
        }
        TContact c{};
        CollideCapsuleTriangleSet(&c, &capsule, world, &set, IdentityMat44());
        if (distance < capsule.Radius() - 2e-3) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (distance > capsule.Radius() + 2e-3) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        if (!c.collided) {
            continue;
        }
        ++hits;
        ASSERT_TRUE(Finite(c));
        EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-4f);
        EXPECT_GT(c.depth, 0.0f);
        EXPECT_EQ(c.materialB, 3);
    }
    EXPECT_GT(hits, 300);
}
