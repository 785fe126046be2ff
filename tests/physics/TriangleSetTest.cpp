#include "CollisionTestKit.h"
#include "TerrainMeshKit.h"

#include "physics/BoxTriangleCollision.h"
#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

namespace {

TestMesh FlatGround(float height, uint32_t material, uint32_t flags = 0)
{
    TestMesh mesh;
    mesh.Add(Vec(-5, height, -5), Vec(-5, height, 5), Vec(5, height, 5), material, flags);
    mesh.Add(Vec(-5, height, -5), Vec(5, height, 5), Vec(5, height, -5), material, flags);
    return mesh;
}

} // namespace

TEST(TriangleSet, UprightBoxSinkingIntoGroundReportsPlaneDepthAndCorner)
{
    TestMesh ground = FlatGround(0, 7);
    TConvex set = ground.Set();
    TConvex box = Box(0.5f, 0.5f, 0.5f);
    TContact c{};
    CollideBoxTriangleSet(&c, &box, At(0, 0.47f, 0), &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.03f, 1e-5f);
    EXPECT_NEAR(c.normal.y, 1.0f, 1e-6f);
    EXPECT_NEAR(c.worldPointA.x, 0.5f, 1e-5f);
    EXPECT_NEAR(c.worldPointA.y, -0.03f, 1e-5f);
    EXPECT_NEAR(c.worldPointA.z, 0.5f, 1e-5f);
    EXPECT_NEAR(c.worldPointB.y, 0.0f, 1e-5f);
    EXPECT_EQ(c.materialB, 7);
    EXPECT_EQ(c.triangleTag, 100u);

    TContact above{};
    CollideBoxTriangleSet(&above, &box, At(0, 0.51f, 0), &set, IdentityMat44());
    EXPECT_EQ(above.collided, 0);
}

TEST(TriangleSet, FlagsSelectTheTests)
{
    TConvex box = Box(0.5f, 0.5f, 0.5f);
    TConvex sphere = Sphere(0.5f);
    TestMesh skipped = FlatGround(0, 1, 2);
    TConvex skippedSet = skipped.Set();
    TContact c{};
    CollideBoxTriangleSet(&c, &box, At(0, 0.4f, 0), &skippedSet, IdentityMat44());
    EXPECT_EQ(c.collided, 0);
    CollideSphereTriangleSet(&c, &sphere, At(0, 0.4f, 0), &skippedSet, IdentityMat44());
    EXPECT_EQ(c.collided, 0);

    TestMesh field = FlatGround(0, 3, TTRIANGLE_HEIGHT_FIELD);
    TConvex fieldSet = field.Set();
    CollideSphereTriangleSet(&c, &sphere, At(0, 0.4f, 0), &fieldSet, IdentityMat44());
    EXPECT_EQ(c.collided, 0);
    // Height-field triangles push a tilted box straight up by its deepest corner.
    TMat44 tilted = Pose(RotationAbout(Vec(0, 0, 1), 0.3f), Vec(0, 0.5f, 0));
    CollideBoxTriangleSet(&c, &box, tilted, &fieldSet, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.normal.y, 1.0f, 1e-6f);
    float lowest = 0.5f - (0.5f * std::cos(0.3f) + 0.5f * std::sin(0.3f));
    EXPECT_NEAR(c.depth, -lowest, 1e-5f);
    EXPECT_NEAR(c.worldPointB.y, 0.0f, 1e-6f);
    EXPECT_EQ(c.materialB, 3);
    // Even when the triangle is wound downwards.
    TestMesh down;
    down.Add(Vec(-5, 0, -5), Vec(5, 0, 5), Vec(-5, 0, 5), 0, TTRIANGLE_HEIGHT_FIELD);
    TConvex downSet = down.Set();
    CollideBoxTriangleSet(&c, &box, At(-2, 0.45f, 2), &downSet, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_GT(c.normal.y, 0.99f);
    EXPECT_NEAR(c.depth, 0.05f, 1e-5f);
}

TEST(TriangleSet, DeepestTriangleWinsAndFirstOfEqualDepthsStays)
{
    TestMesh mesh;
    mesh.Add(Vec(-5, 0, -5), Vec(-5, 0, 5), Vec(5, 0, 5), 1);
    mesh.Add(Vec(-5, 0.1f, -5), Vec(-5, 0.1f, 5), Vec(5, 0.1f, 5), 2);
    mesh.Add(Vec(-5, 0.1f, -5), Vec(-5, 0.1f, 5), Vec(5, 0.1f, 5), 3);
    TConvex set = mesh.Set();
    TConvex sphere = Sphere(0.5f);
    TConvex box = Box(0.5f, 0.5f, 0.5f);
    TContact c{};
    CollideSphereTriangleSet(&c, &sphere, At(-1, 0.5f, 1), &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.1f, 1e-5f);
    EXPECT_EQ(c.materialB, 2);
    CollideBoxTriangleSet(&c, &box, At(-1, 0.5f, 1), &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.1f, 1e-5f);
    EXPECT_EQ(c.materialB, 2);
    EXPECT_EQ(c.triangleTag, 101u);
}

TEST(TriangleSet, SphereAgainstRandomTrianglesMatchesClosestPointReference)
{
    Rng rng(5);
    TestMesh mesh;
    auto make = [&](ReferencePair& p) {
        mesh = TestMesh();
        if (!AddRandomTriangle(mesh, rng, 1.5f, 4)) {
            return false;
        }
        p.b = mesh.Set();
        p.a = Sphere(rng.Uniform(0.05f, 1.0f));
        TVec4 centre = rng.Point(2.0f);
        p.wa = At(centre.x, centre.y, centre.z);
        p.reversible = false;
        p.overlap = [&](const TMat44& wa) {
            D3 c = ToD(wa.row[3]);
            return p.a.Radius() -
                   Len(c - ClosestOnTriangle(c, ToD(mesh.vertices[0]), ToD(mesh.vertices[1]), ToD(mesh.vertices[2])));
        };
        return true;
    };
    auto material = [](const TContact& c, const ReferencePair&, int i) { EXPECT_EQ(c.materialB, 4) << i; };
    EXPECT_GT(ExpectAgreesWithReference(20000, make, {.shallower = 2e-4, .deeper = 2e-4}, material), 1000);
}

TEST(TriangleSet, SphereTouchingPlaneOrFarFromTriangleGivesNone)
{
    TestMesh mesh;
    mesh.Add(Vec(0, 0, 0), Vec(0, 0, 1), Vec(1, 0, 0));
    TConvex set = mesh.Set();
    TConvex sphere = Sphere(0.5f);
    TContact c{};
    CollideSphereTriangleSet(&c, &sphere, At(0.2f, 0.5f, 0.2f), &set, IdentityMat44());
    EXPECT_EQ(c.collided, 0);
    // Foot outside: the nearest vertex decides.
    CollideSphereTriangleSet(&c, &sphere, At(-0.2f, 0.2f, -0.2f), &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.5f - std::sqrt(0.12f), 1e-5f);
    EXPECT_NEAR(c.worldPointB.x, 0.0f, 1e-6f);
    // Centre exactly on a vertex: a usable normal, no NaN.
    CollideSphereTriangleSet(&c, &sphere, At(0, 0, 0), &set, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_TRUE(Finite(c));
    EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-5f);
}

TEST(TriangleSet, BoxAgainstRandomTrianglesFindsOverlapAndPushesOut)
{
    Rng rng(9);
    TestMesh mesh;
    auto make = [&](ReferencePair& p) {
        mesh = TestMesh();
        if (!AddRandomTriangle(mesh, rng, 1.5f)) {
            return false;
        }
        p.b = mesh.Set();
        p.a = Box(rng.Uniform(0.05f, 1), rng.Uniform(0.05f, 1), rng.Uniform(0.05f, 1));
        p.wa = Pose(rng.Rotation(), rng.Point(1.5f));
        p.reversible = false;
        p.overlap = [&](const TMat44& wa) {
            return Penetration(BoxShape(p.a, wa), TriangleShape(mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]));
        };
        return true;
    };
    EXPECT_GT(ExpectAgreesWithReference(20000, make), 2000);
}

TEST(TriangleSet, SingleTriangleGeometryMatchesTheTransformedSet)
{
    Rng rng(13);
    for (int i = 0; i < 2000; ++i) {
        TVec4 local[3] = {rng.Point(1), rng.Point(1), rng.Point(1)};
        TMat44 placement = Pose(rng.Rotation(), rng.Point(0.5f));
        TConvex single;
        single.SetDefault();
        single.SetSingleTriangle(0, 1, 2, local);
        single.SetMaterialIndexImpl(9);
        TestMesh mesh;
        mesh.Add(TransformPoint(placement, local[0]), TransformPoint(placement, local[1]),
                 TransformPoint(placement, local[2]), 9);
        TConvex set = mesh.Set();
        TConvex box = Box(0.4f, 0.3f, 0.5f);
        TMat44 world = Pose(rng.Rotation(), rng.Point(1));
        TContact fromSingle{};
        TContact fromSet{};
        CollideBoxTriangle(&fromSingle, &box, world, &single, placement);
        CollideBoxTriangleSet(&fromSet, &box, world, &set, IdentityMat44());
        ASSERT_EQ(fromSingle.collided, fromSet.collided) << i;
        if (fromSingle.collided) {
            EXPECT_NEAR(fromSingle.depth, fromSet.depth, 1e-4f);
            EXPECT_NEAR(Dot3(fromSingle.normal, fromSet.normal), 1.0f, 1e-3f);
            EXPECT_EQ(fromSingle.materialB, 9);
        }
    }
}
