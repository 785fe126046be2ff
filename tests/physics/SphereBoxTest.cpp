#include "CollisionTestKit.h"

#include "physics/PairTests.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

using namespace collisionkit;

// Overlapping pairs are checked at random beside the other pairs; exact touching and coincident centres here.
TEST(SphereSphere, TouchingOrCoincidentSpheresGiveNone)
{
    TConvex sphere = Sphere(1.0f);
    TContact c{};
    CollideSphereSphere(&c, &sphere, At(2.0f, 0, 0), &sphere, At(0, 0, 0));
    EXPECT_EQ(c.collided, 0);
    CollideSphereSphere(&c, &sphere, At(0, 0, 0), &sphere, At(0, 0, 0));
    EXPECT_EQ(c.collided, 0);
}

TEST(BoxSphere, RandomPlacementsMatchClosestPointReference)
{
    Rng rng(3);
    int outsideHits = 0;
    for (int i = 0; i < 20000; ++i) {
        TConvex box = Box(rng.Uniform(0.1f, 1.5f), rng.Uniform(0.1f, 1.5f), rng.Uniform(0.1f, 1.5f));
        TConvex sphere = Sphere(rng.Uniform(0.05f, 1.0f));
        TMat44 wa = Pose(rng.Rotation(), rng.Point(1.0f));
        TMat44 wb = At(0, 0, 0);
        wb.row[3] = rng.Point(2.5f);
        wb.row[3].w = 1;
        D3 centre = ToD(wb.row[3]);
        D3 nearest = ClosestOnBox(box, wa, centre);
        double gap = Len(centre - nearest);
        bool inside = gap < 1e-5;
        TContact c{};
        CollideBoxSphere(&c, &box, wa, &sphere, wb);
        if (!inside && gap < sphere.Radius() - 1e-4) {
            ASSERT_EQ(c.collided, 1) << i;
        } else if (gap > sphere.Radius() + 1e-4) {
            ASSERT_EQ(c.collided, 0) << i;
        }
        if (!c.collided) {
            continue;
        }
        ASSERT_TRUE(Finite(c));
        EXPECT_NEAR(Length3(c.normal), 1.0f, 1e-4f);
        EXPECT_NEAR(Dot3(c.worldPointB - c.worldPointA, c.normal), c.depth, 1e-3f);
        if (!inside) {
            ++outsideHits;
            EXPECT_NEAR(c.depth, sphere.Radius() - gap, 1e-3) << i;
            // The normal points from the sphere towards the box.
            D3 expected = (nearest - centre) * (1.0 / gap);
            if (gap > 1e-3) {
                EXPECT_GT(Dot(ToD(c.normal), expected), 0.999) << i;
            }
            // Moving the box out along the normal separates them.
            EXPECT_GT(Len(centre - ClosestOnBox(box, PushedOut(wa, c, 1e-3f), centre)), sphere.Radius()) << i;
        } else {
            EXPECT_GE(c.depth, sphere.Radius());
        }
    }
    EXPECT_GT(outsideHits, 2000);
}

TEST(BoxSphere, CentreInsideLeavesThroughTheNearestFaceAndOnACornerStaysFinite)
{
    TConvex box = Box(2.0f, 0.5f, 1.0f);
    TConvex sphere = Sphere(0.25f);
    TContact c{};
    // 0.4 from the +y face, 1.5 from +x: the y face is the way out.
    CollideBoxSphere(&c, &box, At(0, 0, 0), &sphere, At(0.5f, 0.1f, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.normal.y, -1.0f, 1e-6f); // the box moves down, away from the sphere
    EXPECT_NEAR(c.depth, 0.25f + 0.4f, 1e-5f);
    for (TVec4 p : {Vec(2, 0.5f, 1), Vec(-2, 0.5f, 0.1f), Vec(2, -0.5f, 0)}) {
        TContact edge{};
        CollideBoxSphere(&edge, &box, At(0, 0, 0), &sphere, At(p.x, p.y, p.z));
        ASSERT_EQ(edge.collided, 1);
        ExpectConsistent(edge, 0);
    }
}
