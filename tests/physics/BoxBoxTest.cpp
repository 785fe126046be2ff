#include "CollisionTestKit.h"

#include "physics/PairTests.h"
#include "physics/TSegmentPair.h"

#include <gtest/gtest.h>

using namespace collisionkit;

namespace {

TContact Collide(const TConvex& a, const TMat44& wa, const TConvex& b, const TMat44& wb)
{
    TContact c{};
    CollideBoxBox(&c, &a, wa, &b, wb);
    return c;
}

void ExpectNear(const TVec4& actual, const TVec4& expected, float tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

} // namespace

TEST(BoxBox, FaceContactPointsFromBToAAndTouchingBoxesAreSeparated)
{
    TConvex box = Box(0.5f, 0.5f, 0.5f);
    TContact c = Collide(box, At(-0.9f, 0, 0), box, At(0, 0, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.1f, 1e-5f);
    ExpectNear(c.normal, Vec(-1, 0, 0), 1e-6f);
    EXPECT_NEAR(c.worldPointA.x, -0.4f, 1e-5f); // on A's face, inside B

    EXPECT_EQ(Collide(box, At(1.0f, 0, 0), box, At(0, 0, 0)).collided, 0);
    EXPECT_EQ(Collide(box, At(0.7f, 0.7f, 0.7f), Box(0.2f, 0.2f, 0.2f), At(0, 0, 0)).collided, 0);
}

TEST(BoxBox, EdgeAgainstEdgeGivesPointsOnBothEdges)
{
    TConvex box = Box(0.5f, 0.5f, 0.5f);
    const float pi = 3.14159265f;
    // B shows an edge along x on top, A an edge along z underneath; they cross 0.05 deep.
    TMat44 wb = Pose(RotationAbout(Vec(1, 0, 0), pi / 4), Vec(0, 0, 0));
    float top = 0.5f * std::sqrt(2.0f);
    TMat44 wa = Pose(RotationAbout(Vec(0, 0, 1), pi / 4), Vec(0, 2 * top - 0.05f, 0));
    TContact c = Collide(box, wa, box, wb);
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.05f, 1e-4f);
    ExpectNear(c.normal, Vec(0, 1, 0), 1e-4f);
    ExpectNear(c.worldPointA, Vec(0, top - 0.05f, 0), 1e-4f);
    ExpectNear(c.worldPointB, Vec(0, top, 0), 1e-4f);
}

TEST(BoxBox, EdgeOnFaceGivesFaceNormalAndDeepestEdgePoint)
{
    TConvex ground = Box(2, 0.5f, 2);
    TConvex box = Box(0.5f, 0.5f, 0.5f);
    const float pi = 3.14159265f;
    float reach = 0.5f * std::sqrt(2.0f);
    TMat44 wa = Pose(RotationAbout(Vec(0, 0, 1), pi / 4), Vec(0.3f, 0.5f + reach - 0.02f, 0));
    TContact c = Collide(box, wa, ground, At(0, 0, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.02f, 1e-4f);
    ExpectNear(c.normal, Vec(0, 1, 0), 1e-5f);
    EXPECT_NEAR(c.worldPointA.y, 0.48f, 1e-4f); // on A's lower edge
    EXPECT_NEAR(c.worldPointB.y, 0.5f, 1e-4f);  // on B's top face
}

TEST(BoxBox, BoxRestingOnLargerBoxAlwaysGetsFaceNormal)
{
    Rng rng(7);
    TConvex ground = Box(3, 0.5f, 3);
    TConvex box = Box(0.5f, 0.25f, 0.4f);
    for (int i = 0; i < 2000; ++i) {
        TVec4 tilt = rng.Point(1.0f);
        TMat34 r = RotationAbout(Length3(tilt) > 0 ? tilt : Vec(1, 0, 0), rng.Uniform(-1e-4f, 1e-4f));
        TMat44 wa = Pose(r, Vec(rng.Uniform(-2, 2), 0.5f + 0.25f - 0.01f, rng.Uniform(-2, 2)));
        TContact c = Collide(box, wa, ground, At(0, 0, 0));
        ASSERT_EQ(c.collided, 1);
        EXPECT_GT(c.normal.y, 0.999f);
        EXPECT_NEAR(c.depth, 0.01f, 2e-4f);
    }
}

// Never shallower than the true minimum, deeper only by the face preference margin; where one axis is clearly
// the shallowest, both calls pick it and the same feature points.
TEST(BoxBox, RandomPairsMatchReferenceSeparateWhenPushedApartAndMirrorWhenReversed)
{
    Rng rng(42);
    int compared = 0;
    auto make = [&](ReferencePair& p) {
        p.a = Box(rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f));
        p.b = Box(rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f), rng.Uniform(0.05f, 1.5f));
        p.wa = Pose(rng.Rotation(), rng.Point(2.0f));
        p.wb = Pose(rng.Rotation(), rng.Point(2.0f));
        p.overlap = [&p](const TMat44& wa) { return Penetration(BoxShape(p.a, wa), BoxShape(p.b, p.wb)); };
        std::vector<double> overlaps = ShapeOverlaps(BoxShape(p.a, p.wa), BoxShape(p.b, p.wb));
        p.sameFeatures = overlaps[1] - overlaps[0] > 1e-3;
        return true;
    };
    // A's point lies in A, within the depth.
    auto pointInA = [&](const TContact& c, const ReferencePair& p, int i) {
        EXPECT_LE(Distance(ToDVec(ClosestOnBox(p.a, p.wa, ToD(c.worldPointA))), c.worldPointA), 2e-3f) << i;
        compared += p.sameFeatures ? 1 : 0;
    };
    EXPECT_GT(ExpectAgreesWithReference(20000, make, {}, pointInA), 3000);
    EXPECT_GT(compared, 2000);
}

TEST(BoxBox, SegmentPairFindsCrossingPointsAndRefusesParallelSegments)
{
    TSegmentPair pair;
    pair.a0 = Vec(-1, 0, 0);
    pair.a1 = Vec(1, 0, 0);
    pair.b0 = Vec(0, 1, -1);
    pair.b1 = Vec(0, 1, 1);
    float s = 0, t = 0;
    ASSERT_TRUE(pair.ClosestPoints(&s, &t));
    EXPECT_TRUE(pair.inside);
    EXPECT_NEAR(s, 0.5f, 1e-6f);
    EXPECT_NEAR(t, 0.5f, 1e-6f);
    EXPECT_NEAR(pair.distance, 1.0f, 1e-6f);
    pair.b0 = Vec(3, 1, -1);
    pair.b1 = Vec(3, 1, 1);
    ASSERT_TRUE(pair.ClosestPoints(&s, &t));
    EXPECT_FALSE(pair.inside); // beyond A's end
    pair.b0 = Vec(0, 1, 0);
    pair.b1 = Vec(2, 1, 0);
    EXPECT_FALSE(pair.ClosestPoints(&s, &t)); // parallel
    EXPECT_FALSE(pair.inside);
}
