#include "CollisionTestKit.h"
#include "TerrainMeshKit.h"

#include "physics/TDefaultAllocator.h"
#include "physics/TNarrowPhase.h"

#include <gtest/gtest.h>

#include <vector>

using namespace collisionkit;

namespace {

struct ShapeBody {
    std::vector<TConvex> geometries;
    TConvex bounds;
    TMat44 world = IdentityMat44();

    void Link() { LinkBody(&bounds, geometries.data(), int(geometries.size())); }
};

// The terrain as the terrain pass hands it over: one triangle-set record standing for itself.
TConvex TerrainRecord(const TestMesh& mesh)
{
    TConvex record = mesh.Set();
    record.next = nullptr;
    record.geometryCount = 0;
    return record;
}

ShapeBody TyreRing(float ringRadius, float sphereRadius, int count)
{
    ShapeBody body;
    for (int i = 0; i < count; ++i) {
        float angle = 6.2831853f * float(i) / float(count);
        TConvex sphere = Sphere(sphereRadius);
        sphere.transform.row[3] = Vec(ringRadius * std::cos(angle), ringRadius * std::sin(angle), 0, 1);
        sphere.SetMaterialIndexImpl(i % 7);
        body.geometries.push_back(sphere);
    }
    body.Link();
    return body;
}

} // namespace

TEST(NarrowPhase, UnsupportedPairsLeaveTheResultUntouched)
{
    TVec4 points[4] = {Vec(0, 0, 0), Vec(1, 0, 0), Vec(0, 1, 0), Vec(0, 0, 1)};
    TConvex scaled;
    scaled.SetDefault();
    scaled.SetScaledPoints(points, 4, 1.0f);
    TConvex triangle;
    triangle.SetDefault();
    triangle.SetSingleTriangle(0, 1, 2, points);
    TConvex box = Box(1, 1, 1);
    TConvex sphere = Sphere(1);
    TConvex capsule = Capsule(1, 1);
    const TConvex* firsts[] = {&box, &scaled, &sphere, &capsule, &triangle, &scaled};
    const TConvex* seconds[] = {&scaled, &box, &triangle, &triangle, &box, &scaled};
    for (int i = 0; i < 6; ++i) {
        TContact c{};
        c.depth = 123.0f;
        CollidePrimitives(&c, firsts[i], IdentityMat44(), seconds[i], IdentityMat44());
        EXPECT_EQ(c.collided, 0) << i;
        EXPECT_EQ(c.depth, 123.0f) << i;
    }
}

TEST(NarrowPhase, SeveralGeometriesReachTheTerrainThroughItsOwnRecord)
{
    TestMesh ground = HeightGrid(
        4, 2.0f, [](float, float) { return 0.0f; }, 3);
    TConvex terrain = TerrainRecord(ground);
    TDefaultAllocator allocator;
    TNarrowPhase narrow;
    ASSERT_TRUE(narrow.Create(&allocator, 16));
    // One box sinking into the ground.
    ShapeBody single;
    single.geometries.push_back(Box(0.5f, 0.5f, 0.5f));
    single.Link();
    TContact c{};
    narrow.CollideGeometrySets(&c, &single.bounds, At(3, 0.45f, 3), &terrain, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.05f, 1e-5f);
    // The same box beside a second geometry: the bounding record filters against the triangles.
    ShapeBody pair;
    pair.geometries.push_back(Box(0.5f, 0.5f, 0.5f));
    TConvex high = Box(0.5f, 0.5f, 0.5f);
    high.transform.row[3] = Vec(0, 2, 0, 1);
    pair.geometries.push_back(high);
    pair.Link();
    narrow.CollideGeometrySets(&c, &pair.bounds, At(3, 0.5f, 3), &terrain, IdentityMat44());
    EXPECT_EQ(c.collided, 0);
    narrow.CollideGeometrySets(&c, &pair.bounds, At(3, 0.4f, 3), &terrain, IdentityMat44());
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.1f, 1e-5f);
    EXPECT_EQ(c.geometryA, &pair.geometries[0]);
    EXPECT_EQ(c.geometryB, nullptr); // the terrain has no geometry of its own
    EXPECT_EQ(c.materialB, 3);
}

TEST(NarrowPhase, DeepestGeometryPairWinsWithArmsAndMaterials)
{
    TDefaultAllocator allocator;
    TNarrowPhase narrow;
    ASSERT_TRUE(narrow.Create(&allocator, 16));
    ShapeBody a;
    for (int i = 0; i < 3; ++i) {
        TConvex s = Sphere(0.5f);
        s.transform.row[3] = Vec(float(i) - 1.0f, -0.1f * float(i), 0, 1);
        s.SetMaterialIndexImpl(10 + i);
        a.geometries.push_back(s);
    }
    a.Link();
    ShapeBody b;
    b.geometries.push_back(Box(3, 0.5f, 3));
    b.geometries[0].SetMaterialIndexImpl(20);
    b.geometries.push_back(Box(0.1f, 0.1f, 0.1f));
    b.geometries[1].transform.row[3] = Vec(0, -5, 0, 1);
    b.Link();
    TMat44 wa = Pose(RotationAbout(Vec(0, 1, 0), 0.7f), Vec(1, 1.0f, 2));
    TMat44 wb = At(1, 0, 2);
    TContact c{};
    narrow.CollideGeometrySets(&c, &a.bounds, wa, &b.bounds, wb);
    ASSERT_EQ(c.collided, 1);
    EXPECT_EQ(c.geometryA, &a.geometries[2]);
    EXPECT_EQ(c.geometryB, &b.geometries[0]);
    EXPECT_EQ(c.materialA, 12);
    EXPECT_EQ(c.materialB, 20);
    EXPECT_NEAR(c.depth, 0.2f, 1e-5f);
    EXPECT_NEAR(c.normal.y, 1.0f, 1e-5f);
    TVec4 fromLocal = Rotate(wa, c.localPointA) + wa.row[3];
    EXPECT_NEAR(Distance(fromLocal, c.worldPointA), 0.0f, 1e-5f);
    EXPECT_NEAR(Distance(c.armB + wb.row[3], c.worldPointB), 0.0f, 1e-5f);

    // Exchanging the bodies negates the normal and exchanges the points.
    TContact back{};
    narrow.CollideGeometrySets(&back, &b.bounds, wb, &a.bounds, wa);
    ASSERT_EQ(back.collided, 1);
    EXPECT_NEAR(back.normal.y, -1.0f, 1e-5f);
    EXPECT_NEAR(Distance(back.worldPointA, c.worldPointB), 0.0f, 1e-5f);
    EXPECT_EQ(back.geometryA, &b.geometries[0]);
}

TEST(NarrowPhase, TyreRingOfSpheresTouchesABox)
{
    TDefaultAllocator allocator;
    TNarrowPhase narrow;
    ASSERT_TRUE(narrow.Create(&allocator, 128));
    ShapeBody tyre = TyreRing(0.16f, 0.05f, 64);
    ShapeBody block;
    block.geometries.push_back(Box(1, 0.5f, 1));
    block.Link();
    TContact c{};
    narrow.CollideGeometrySets(&c, &tyre.bounds, At(0, 0.69f, 0), &block.bounds, At(0, 0, 0));
    ASSERT_EQ(c.collided, 1);
    EXPECT_NEAR(c.depth, 0.02f, 1e-4f);
    EXPECT_NEAR(c.normal.y, 1.0f, 1e-5f);
}

TEST(NarrowPhase, ManyAgainstManyStaysWithinItsScratch)
{
    TDefaultAllocator allocator;
    ShapeBody a = TyreRing(2.0f, 0.1f, 200);
    ShapeBody b = TyreRing(2.0f, 0.1f, 200);
    TMat44 wb = At(0.15f, 0, 0);
    for (int capacity : {200, 50}) {
        TNarrowPhase narrow;
        ASSERT_TRUE(narrow.Create(&allocator, capacity));
        TContact c{};
        narrow.CollideGeometrySets(&c, &a.bounds, IdentityMat44(), &b.bounds, wb);
        ASSERT_EQ(c.collided, 1);
        EXPECT_TRUE(Finite(c));
        if (capacity == 200) {
            float closest = 1e9f;
            for (const TConvex& ga : a.geometries) {
                for (const TConvex& gb : b.geometries) {
                    float d = Distance(ga.transform.row[3], gb.transform.row[3] + wb.row[3]);
                    closest = d > 1e-3f && d < closest ? d : closest;
                }
            }
            EXPECT_NEAR(c.depth, 0.2f - closest, 1e-4f);
        }
    }
}

TEST(NarrowPhase, BodyWithoutGeometryNeverCollides)
{
    TDefaultAllocator allocator;
    TNarrowPhase narrow;
    ASSERT_TRUE(narrow.Create(&allocator, 4));
    ShapeBody empty;
    empty.Link();
    ShapeBody box;
    box.geometries.push_back(Box(1, 1, 1));
    box.Link();
    TContact c{};
    narrow.CollideGeometrySets(&c, &empty.bounds, IdentityMat44(), &box.bounds, IdentityMat44());
    EXPECT_EQ(c.collided, 0);
    narrow.CollideGeometrySets(&c, &box.bounds, IdentityMat44(), &empty.bounds, IdentityMat44());
    EXPECT_EQ(c.collided, 0);
}
