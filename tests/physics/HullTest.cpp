#include "CollisionTestKit.h"
#include "HullKit.h"
#include "TerrainMeshKit.h"

#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

namespace {

// Minimum overlap of a hull and a box over every face normal and edge pair, in double precision.
double HullBoxReference(const HullBuilder& hull, const TMat44& wh, const TConvex& box, const TMat44& wb)
{
    std::vector<D3> a;
    for (const TVec4& v : hull.vertices) {
        a.push_back(ToD(TransformPoint(wh, v)));
    }
    D3 b[8];
    BoxCorners(box, wb, b);
    std::vector<D3> axes;
    for (const TVec4& p : hull.planes) {
        axes.push_back(ToD(Rotate(wh, p)));
    }
    for (int k = 0; k < 3; ++k) {
        axes.push_back(ToD(wb.row[k]));
    }
    for (const THullEdge& e : hull.edges) {
        D3 d = ToD(Rotate(wh, hull.vertices[e.vertex[1]] - hull.vertices[e.vertex[0]]));
        for (int k = 0; k < 3; ++k) {
            D3 axis = Cross(d, ToD(wb.row[k]));
            if (Len(axis) > 1e-3 * Len(d)) {
                axes.push_back(axis);
            }
        }
    }
    double best = 1e30;
    for (const D3& axis : axes) {
        D3 n = axis * (1.0 / Len(axis));
        double lowA = 1e30, highA = -1e30, lowB = 1e30, highB = -1e30;
        for (const D3& v : a) {
            lowA = std::fmin(lowA, Dot(n, v));
            highA = std::fmax(highA, Dot(n, v));
        }
        for (const D3& v : b) {
            lowB = std::fmin(lowB, Dot(n, v));
            highB = std::fmax(highB, Dot(n, v));
        }
        best = std::fmin(best, std::fmin(highA - lowB, highB - lowA));
    }
    return best;
}

} // namespace

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
        double reference = BoxBoxReference(asBox, wa, other, wb);
        if (std::fabs(reference) > 1e-4) {
            ASSERT_EQ(fromHull.collided, fromBoxes.collided) << i;
        }
        if (!fromHull.collided) {
            continue;
        }
        ++hits;
        ASSERT_TRUE(Finite(fromHull));
        EXPECT_NEAR(fromHull.depth, reference, 5e-4) << i;
        // The hull's normal points from B towards A, like the box test's.
        TMat44 moved = wa;
        moved.row[3] = wa.row[3] + fromHull.normal * (fromHull.depth + 2e-3f);
        EXPECT_LT(BoxBoxReference(asBox, moved, other, wb), 1e-6) << i;
        EXPECT_NEAR(Dot3(fromHull.worldPointB - fromHull.worldPointA, fromHull.normal), fromHull.depth, 2e-3f);
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
        double reference = HullBoxReference(hull, wa, box, wb);
        TContact c{};
        TContact swapped{};
        CollidePrimitives(&c, &points, wa, &box, wb);
        CollidePrimitives(&swapped, &box, wb, &points, wa);
        if (reference > 1e-4) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (reference < -1e-4) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        ASSERT_EQ(c.collided, swapped.collided);
        if (!c.collided) {
            continue;
        }
        ++hits;
        EXPECT_NEAR(c.depth, reference, 5e-4) << i;
        EXPECT_EQ(c.normal.x, -swapped.normal.x);
        EXPECT_EQ(c.worldPointA.z, swapped.worldPointB.z);
        TMat44 moved = wa;
        moved.row[3] = wa.row[3] + c.normal * (c.depth + 2e-3f);
        EXPECT_LT(HullBoxReference(hull, moved, box, wb), 1e-6) << i;
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
