#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

TEST(Hull, BoxShapedHullAgreesWithBoxTest)
{
    Rng rng(29);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        float hx = rng.Uniform(0.1f, 1), hy = rng.Uniform(0.1f, 1), hz = rng.Uniform(0.1f, 1);
        HullBuilder hull = HullBuilder::Box(hx, hy, hz);
        TConvex points = PointSet(hull);
        TConvex asBox = Box(hx, hy, hz);
        TConvex other = Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1));
        TContact fromHull{};
        TContact fromBoxes{};
        CollidePrimitives(&fromHull, &points, wa, &other, wb);
        CollidePrimitives(&fromBoxes, &asBox, wa, &other, wb);
        double reference = Penetration(BoxShape(asBox, wa), BoxShape(other, wb));
        if (std::fabs(reference) > 1e-4) {
            ASSERT_EQ(fromHull.collided, fromBoxes.collided) << i;
        }
        if (!fromHull.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(fromHull, i);
        EXPECT_NEAR(fromHull.depth, reference, 5e-4) << i;
        // The hull's normal points from B towards A, like the box test's.
        EXPECT_LT(Penetration(BoxShape(asBox, PushedOut(wa, fromHull)), BoxShape(other, wb)), 1e-6) << i;
    }
    EXPECT_GT(hits, 500);
}

TEST(Hull, OctahedronAgainstBoxPushesOutAndSwapsExactly)
{
    Rng rng(31);
    HullBuilder hull = HullBuilder::Octahedron(0.8f);
    TConvex points = PointSet(hull);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        TConvex box = Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1));
        double reference = Penetration(HullShape(hull, wa), BoxShape(box, wb));
        auto [c, swapped] = CollideBothWays(points, wa, box, wb);
        ASSERT_TRUE(HitAgrees(c, reference, 1e-4)) << i;
        ASSERT_EQ(c.collided, swapped.collided);
        if (!c.collided) {
            continue;
        }
        ++hits;
        EXPECT_NEAR(c.depth, reference, 5e-4) << i;
        EXPECT_EQ(c.normal.x, -swapped.normal.x);
        EXPECT_EQ(c.worldPointA.z, swapped.worldPointB.z);
        EXPECT_LT(Penetration(HullShape(hull, PushedOut(wa, c)), BoxShape(box, wb)), 1e-6) << i;
    }
    EXPECT_GT(hits, 500);
}

TEST(Hull, CoincidentHullsGiveFiniteContact)
{
    HullBuilder hull = HullBuilder::Octahedron(0.5f);
    TConvex points = PointSet(hull);
    for (TVec4 offset : {Vec(0, 0, 0), Vec(0.1f, 0.1f, 0.1f)}) {
        TContact c{};
        CollidePrimitives(&c, &points, At(offset.x, offset.y, offset.z), &points, At(0, 0, 0));
        ASSERT_EQ(c.collided, 1);
        EXPECT_TRUE(Finite(c));
        EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-5f);
    }
}

TEST(Hull, CubeHullRestingInFlatGroundGetsUpwardNormalAndMaterial)
{
    HullBuilder hull = HullBuilder::Box(0.5f, 0.5f, 0.5f);
    TConvex points = PointSet(hull);
    TestMesh ground = HeightGrid(
        8, 1.0f, [](float, float) { return 0.0f; }, 6);
    TConvex set = ground.Set();
    TContact c{};
    CollidePrimitives(&c, &points, At(3.3f, 0.45f, 4.6f), &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.normal.y, 1.0f, 1e-5f);
    EXPECT_NEAR(c.depth, 0.05f, 1e-5f);
    EXPECT_EQ(c.materialB, 6);
    TContact above{};
    CollidePrimitives(&above, &points, At(3.3f, 0.55f, 4.6f), &set, IdentityMat44());
    EXPECT_EQ(above.collided, 0);
}
