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

// With the centre outside the box the nearest point decides; inside, the nearest face.
TEST(BoxSphere, RandomPlacementsMatchClosestPointReference)
{
    Rng rng(3);
    int outsideHits = 0;
    auto make = [&](ReferencePair& p) {
        p.a = Box(rng.Uniform(0.1f, 1.5f), rng.Uniform(0.1f, 1.5f), rng.Uniform(0.1f, 1.5f));
        p.b = Sphere(rng.Uniform(0.05f, 1.0f));
        p.wa = Pose(rng.Rotation(), rng.Point(1.0f));
        p.wb = At(0, 0, 0);
        p.wb.row[3] = rng.Point(2.5f);
        p.wb.row[3].w = 1;
        p.overlap = [&p](const TMat44& wa) {
            D3 centre = ToD(p.wb.row[3]);
            double inside = 1e30;
            for (int k = 0; k < 3; ++k) {
                inside = std::fmin(inside, p.a.dims[k] - std::fabs(Dot(centre - ToD(wa.row[3]), ToD(wa.row[k]))));
            }
            return p.b.Radius() + (inside > 0 ? inside : -Len(centre - ClosestOnBox(p.a, wa, centre)));
        };
        return true;
    };
    auto countOutside = [&](const TContact&, const ReferencePair& p, int) {
        outsideHits += p.overlap(p.wa) < p.b.Radius() ? 1 : 0;
    };
    ExpectAgreesWithReference(20000, make, {.shallower = 1e-3, .deeper = 1e-3}, countOutside);
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
