#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

// Box-shaped hulls and an octahedron against boxes: a hit exactly when they overlap, the true depth, and a
// normal from B to A that separates them once A is pushed out along it.
TEST(Hull, HullAgainstBoxMatchesReferenceAndPushesOut)
{
    Rng rng(29);
    HullBuilder octahedron = HullBuilder::Octahedron(0.8f);
    int hits = 0;
    for (int i = 0; i < 4000; ++i) {
        HullBuilder boxHull = HullBuilder::Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        const HullBuilder& hull = i % 2 == 0 ? octahedron : boxHull;
        TConvex points = PointSet(hull);
        TConvex box = Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1));
        TMat44 wb = Pose(rng.Rotation(), rng.Point(1));
        double reference = Penetration(HullShape(hull, wa), BoxShape(box, wb));
        TContact c{};
        CollidePrimitives(&c, &points, wa, &box, wb);
        ASSERT_TRUE(HitAgrees(c, reference, 1e-4)) << i;
        if (!c.collided) {
            continue;
        }
        ++hits;
        ExpectConsistent(c, i);
        EXPECT_NEAR(c.depth, reference, 5e-4) << i;
        EXPECT_LT(Penetration(HullShape(hull, PushedOut(wa, c)), BoxShape(box, wb)), 1e-6) << i;
    }
    EXPECT_GT(hits, 1000);
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
