#include "CollisionTestKit.h"
#include "TerrainMeshKit.h"

#include "physics/CapsuleCollision.h"
#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"
#include "physics/TTriangleFrame.h"

#include <gtest/gtest.h>

using namespace collisionkit;

// Spheres beside the axis are checked at random beside the other pairs; on the axis and at the end here.
TEST(Capsule, SphereOnTheAxisAndTouchingTheEnd)
{
    TConvex capsule = Capsule(1.0f, 2.0f);
    TConvex sphere = Sphere(1.0f);
    TContact c{};
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
        double sampled = SegmentBoxGap(p0, p1, h);
        EXPECT_LE(found, sampled + 1e-4) << i;
        EXPECT_GE(found, sampled - 5e-3) << i;
    }
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

// Against the sampled distance of the capsule's axis from the box, where the axis stays outside the box.
TEST(Capsule, BoxAgainstCapsuleMatchesSegmentBoxDistance)
{
    Rng rng(23);
    auto make = [&](ReferencePair& p) {
        p.a = Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        p.b = Capsule(rng.Uniform(0.1f, 0.5f), rng.Uniform(0, 1));
        p.wa = Pose(rng.Rotation(), rng.Point(1));
        p.wb = Pose(rng.Rotation(), rng.Point(1.5f));
        p.overlap = [&p](const TMat44& wa) {
            TVec4 p0 = InverseTransformPoint(wa, p.wb.row[3] - p.wb.row[1] * p.b.HalfHeight());
            TVec4 p1 = InverseTransformPoint(wa, p.wb.row[3] + p.wb.row[1] * p.b.HalfHeight());
            return p.b.Radius() - SegmentBoxGap(p0, p1, Vec(p.a.dims[0], p.a.dims[1], p.a.dims[2]));
        };
        return p.overlap(p.wa) < p.b.Radius() - 2e-3;
    };
    ReferenceMargins margins{.hit = 2e-3, .shallower = 2e-3, .deeper = 2e-3, .leftAfterPush = 1e-3};
    EXPECT_GT(ExpectAgreesWithReference(3000, make, margins), 300);
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

TEST(Capsule, LyingOnFlatGroundStandingOnItAndBesideATriangleEdge)
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

    TestMesh mesh;
    mesh.Add(Vec(0, 0, 0), Vec(0, 0, 1), Vec(1, 0, 0), 2);
    TConvex triangle = mesh.Set();
    TConvex thin = Capsule(0.2f, 0.5f);
    // Lying along z just beyond the edge x = 0, slightly below the plane's level.
    TMat44 pose = Pose(RotationAbout(Vec(1, 0, 0), 1.5707964f), Vec(-0.1f, 0.0f, 0.5f));
    TContact edge{};
    CollideCapsuleTriangleSet(&edge, &thin, pose, &triangle, IdentityMat44());
    ASSERT_EQ(edge.collided, 1);
    EXPECT_TRUE(Finite(edge));
    EXPECT_NEAR(edge.depth, 0.1f, 1e-4f);
    EXPECT_LT(edge.normal.x, -0.99f);
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
        D3 e0, e1;
        CapsuleEnds(capsule, world, &e0, &e1);
        double distance = SampledDistance(e0, e1, [&](const D3& p) {
            return ClosestOnTriangle(p, ToD(mesh.vertices[0]), ToD(mesh.vertices[1]), ToD(mesh.vertices[2]));
        });
        TContact c{};
        CollideCapsuleTriangleSet(&c, &capsule, world, &set, IdentityMat44());
        ASSERT_TRUE(HitAgrees(c, capsule.Radius() - distance, 2e-3)) << i;
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
