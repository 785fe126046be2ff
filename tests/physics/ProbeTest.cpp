#include "CollisionTestKit.h"
#include "TerrainMeshKit.h"

#include "physics/TProbe.h"

#include <gtest/gtest.h>

using namespace collisionkit;

namespace {

struct Hit {
    bool found = false;
    TVec4 point;
    TVec4 normal;
    float depth = 0;
    int32_t material = -1;
};

Hit Intersect(const TVec4& start, const TVec4& direction, const TConvex& geometry, const TMat44& world)
{
    Hit hit;
    hit.found = TProbe::IntersectGeometry(start, direction, &geometry, world, &hit.point, &hit.normal, &hit.depth,
                                          &hit.material);
    return hit;
}

} // namespace

TEST(Probe, SegmentThroughABoxHitsTheEnteredFace)
{
    TConvex box = Box(1, 1, 1);
    box.SetMaterialIndexImpl(4);
    Hit hit = Intersect(Vec(0, 3, 0), Vec(0, -4, 0), box, At(0, 0, 0));
    ASSERT_TRUE(hit.found);
    EXPECT_NEAR(hit.point.y, 1.0f, 1e-6f);
    EXPECT_NEAR(hit.depth, 2.0f, 1e-6f);
    EXPECT_NEAR(hit.normal.y, 1.0f, 1e-6f);
    EXPECT_EQ(hit.material, 4);
    // Too short to reach, and parallel outside the slab.
    EXPECT_FALSE(Intersect(Vec(0, 3, 0), Vec(0, -1.5f, 0), box, At(0, 0, 0)).found);
    EXPECT_FALSE(Intersect(Vec(-3, 1.5f, 0), Vec(6, 0, 0), box, At(0, 0, 0)).found);
    // Starting inside: entered behind the start, deeper than the segment is long.
    Hit inside = Intersect(Vec(0, 0.5f, 0), Vec(0, -1, 0), box, At(0, 0, 0));
    ASSERT_TRUE(inside.found);
    EXPECT_GT(inside.depth, 1.0f);
    // A segment without length has no face to enter.
    EXPECT_FALSE(Intersect(Vec(0, 0, 0), Vec(0, 0, 0), box, At(0, 0, 0)).found);
}

TEST(Probe, RotatedBoxMatchesTheAnalyticEntry)
{
    TConvex box = Box(1, 0.5f, 2);
    TMat44 world = Pose(RotationAbout(Vec(0, 0, 1), 0.5f), Vec(2, 1, 0));
    TVec4 up = world.row[1];
    TVec4 start = world.row[3] + up * 3.0f;
    Hit hit = Intersect(start, up * -4.0f, box, world);
    ASSERT_TRUE(hit.found);
    EXPECT_NEAR(hit.depth, 1.5f, 1e-5f);
    EXPECT_NEAR(Dot3(hit.normal, up), 1.0f, 1e-5f);
    EXPECT_NEAR(Distance(hit.point, world.row[3] + up * 0.5f), 0.0f, 1e-5f);
}

TEST(Probe, TerrainTrianglesAndTheDeepestHitOfASubStep)
{
    TestMesh ground = HeightGrid(
        4, 1.0f, [](float x, float) { return 0.1f * x; }, 8);
    TConvex set = ground.Set();
    Hit hit = Intersect(Vec(2.2f, 2, 1.3f), Vec(0, -3, 0), set, IdentityMat44());
    ASSERT_TRUE(hit.found);
    EXPECT_NEAR(hit.point.y, 0.22f, 1e-5f);
    EXPECT_NEAR(hit.depth, 3 - (2 - 0.22f), 1e-5f);
    EXPECT_GT(hit.normal.y, 0.99f);
    EXPECT_EQ(hit.material, 8);
    // Exactly through the edge two triangles share.
    Hit onEdge = Intersect(Vec(2.5f, 2, 2.5f), Vec(0, -3, 0), set, IdentityMat44());
    ASSERT_TRUE(onEdge.found);
    EXPECT_NEAR(onEdge.point.y, 0.25f, 1e-5f);
    // From below the normal faces the segment.
    Hit below = Intersect(Vec(2.2f, -1, 1.3f), Vec(0, 3, 0), set, IdentityMat44());
    ASSERT_TRUE(below.found);
    EXPECT_LT(below.normal.y, -0.99f);
    // Parallel to the plane: no hit and no NaN.
    TestMesh flat = HeightGrid(2, 1.0f, [](float, float) { return 0.0f; });
    TConvex flatSet = flat.Set();
    EXPECT_FALSE(Intersect(Vec(0.5f, 0, 0.5f), Vec(1, 0, 0), flatSet, IdentityMat44()).found);

    // Two probes on one body; of two boxes the deeper hit stays, and a later shallower one does not replace it.
    TProbe probes[2];
    probes[0].SetSegment(Vec(0, 0, 0), Vec(0, -2, 0));
    probes[1].SetSegment(Vec(3, 0, 0), Vec(0, -2, 0));
    probes[0].next = &probes[1];
    for (TProbe& p : probes) {
        p.ResetResult();
    }
    TConvex boxes[2] = {Box(0.5f, 0.5f, 0.5f), Box(0.5f, 0.5f, 0.5f)};
    boxes[0].transform.row[3] = Vec(0, -1.2f, 0, 1);
    boxes[1].transform.row[3] = Vec(0, -0.8f, 0, 1);
    TConvex bounds;
    LinkBody(&bounds, boxes, 2);
    TBody* other = reinterpret_cast<TBody*>(&bounds);
    TProbe::TestGeometries(probes, At(0, 1, 0), &bounds, At(0, 0, 0), other);
    EXPECT_NEAR(probes[0].depth, 0.7f, 1e-5f); // the upper box, reached first
    EXPECT_EQ(probes[0].hitBody, other);
    EXPECT_EQ(probes[1].depth, 0.0f);
    EXPECT_EQ(probes[1].hitBody, nullptr);
    TConvex lowBox = Box(0.5f, 0.5f, 0.5f);
    lowBox.transform.row[3] = Vec(0, -1.4f, 0, 1);
    TConvex lowBounds;
    LinkBody(&lowBounds, &lowBox, 1);
    TProbe::TestGeometries(probes, At(0, 1, 0), &lowBounds, At(0, 0, 0), nullptr);
    EXPECT_NEAR(probes[0].depth, 0.7f, 1e-5f);
    EXPECT_EQ(probes[0].hitBody, other);
    // The terrain's own record takes part as one geometry.
    TConvex terrain = ground.Set();
    TProbe::TestGeometries(probes, At(0, 1, 0), &terrain, IdentityMat44(), nullptr);
    EXPECT_NEAR(probes[1].depth, 1.3f, 1e-5f);
    EXPECT_EQ(probes[1].material, 8);
}
