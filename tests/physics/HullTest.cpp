#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

#include <optional>

using namespace collisionkit;

// Box-shaped hulls and an octahedron against boxes.
TEST(Hull, HullAgainstBoxMatchesReferenceAndPushesOut)
{
    Rng rng(29);
    HullBuilder octahedron = HullBuilder::Octahedron(0.8f);
    std::optional<HullBuilder> boxHull;
    const HullBuilder* hull = nullptr;
    auto make = [&](ReferencePair& p) {
        boxHull.emplace(HullBuilder::Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1)));
        hull = hull == &octahedron ? &*boxHull : &octahedron;
        p.a = PointSet(*hull);
        p.b = Box(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 1));
        p.wa = Pose(rng.Rotation(), rng.Point(1));
        p.wb = Pose(rng.Rotation(), rng.Point(1));
        p.overlap = [&](const TMat44& wa) { return Penetration(HullShape(*hull, wa), BoxShape(p.b, p.wb)); };
        p.sameFeatures = false;
        return true;
    };
    EXPECT_GT(ExpectAgreesWithReference(4000, make), 1000);
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
