#include "CollisionTestKit.h"
#include "HullKit.h"

#include "physics/TConvex.h"

#include <gtest/gtest.h>

using namespace collisionkit;

namespace {

bool Contains(const TVec4& min, const TVec4& max, const TVec4& p, float tolerance)
{
    for (int k = 0; k < 3; ++k) {
        if (p[k] < min[k] - tolerance || p[k] > max[k] + tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(Convex, LocalBoundsAndExtentContainEverySurfacePoint)
{
    Rng rng(41);
    for (int i = 0; i < 500; ++i) {
        int kind = i % 3;
        TConvex c = kind == 0   ? Box(rng.Uniform(0.1f, 2), rng.Uniform(0.1f, 2), rng.Uniform(0.1f, 2))
                    : kind == 1 ? Sphere(rng.Uniform(0.1f, 2))
                                : Capsule(rng.Uniform(0.1f, 1), rng.Uniform(0.1f, 2));
        c.transform = Pose(rng.Rotation(), rng.Point(3));
        TVec4 min, max;
        ASSERT_TRUE(c.GetLocalBounds(&min, &max));
        float extent = c.GetExtend();
        for (int s = 0; s < 200; ++s) {
            TVec4 local;
            TVec4 direction = Normalize3(rng.Point(1));
            if (kind == 0) {
                // A point on the box's surface: one coordinate pushed to a face.
                local =
                    Vec(rng.Uniform(-1, 1) * c.dims[0], rng.Uniform(-1, 1) * c.dims[1], rng.Uniform(-1, 1) * c.dims[2]);
                int face = s % 3;
                local[face] = (s & 4 ? -1.0f : 1.0f) * c.dims[face];
            } else if (kind == 1) {
                local = direction * c.Radius();
            } else {
                local = direction * c.Radius() + Vec(0, rng.Uniform(-1, 1) * c.HalfHeight(), 0);
            }
            TVec4 p = TransformPoint(c.transform, local);
            EXPECT_TRUE(Contains(min, max, p, 1e-4f)) << i;
            EXPECT_LE(Length3(p), extent + 1e-4f) << i;
        }
    }
}

TEST(Convex, BoundingRecordCopiesASingleBoxAndBoxesEverythingElse)
{
    TConvex box = Box(1, 2, 3);
    box.transform = Pose(RotationAbout(Vec(0, 1, 0), 0.5f), Vec(1, 2, 3));
    box.SetMaterialIndexImpl(17);
    TConvex bounds;
    LinkBody(&bounds, &box, 1);
    EXPECT_EQ(bounds.type, TCONVEX_BOX);
    EXPECT_EQ(bounds.dims[1], 2.0f);
    EXPECT_EQ(bounds.materialIndex, 17);
    EXPECT_EQ(bounds.transform.row[0].x, box.transform.row[0].x);
    EXPECT_EQ(bounds.transform.row[3].z, 3.0f);
    EXPECT_EQ(bounds.next, &box); // the list survives the copy
    EXPECT_EQ(bounds.geometryCount, 1);

    TConvex sphere = Sphere(0.5f);
    sphere.transform.row[3] = Vec(2, 0, 0, 1);
    LinkBody(&bounds, &sphere, 1);
    EXPECT_EQ(bounds.type, TCONVEX_BOX);
    EXPECT_NEAR(bounds.dims[0], 0.5f, 1e-6f);
    EXPECT_NEAR(bounds.transform.row[3].x, 2.0f, 1e-6f);
    EXPECT_NEAR(bounds.boundingRadius, 2.5f, 1e-6f);

    TConvex pair[2] = {Sphere(1), Box(0.5f, 0.5f, 0.5f)};
    pair[1].transform.row[3] = Vec(0, 5, 0, 1);
    LinkBody(&bounds, pair, 2);
    EXPECT_NEAR(bounds.dims[1], (5.5f + 1.0f) * 0.5f, 1e-5f);
    EXPECT_NEAR(bounds.transform.row[3].y, (5.5f - 1.0f) * 0.5f, 1e-5f);
    EXPECT_EQ(bounds.transform.row[0].x, 1.0f);

    LinkBody(&bounds, nullptr, 0);
    EXPECT_EQ(bounds.boundingRadius, 0.0f);
}

TEST(Convex, PointSetBoundsAndUnknownTypes)
{
    HullBuilder hull = HullBuilder::Box(1, 1, 1);
    TConvex points;
    points.SetDefault();
    points.SetPoints(&hull.block);
    TVec4 min, max;
    ASSERT_TRUE(points.GetLocalBounds(&min, &max));
    EXPECT_EQ(min.x, -2.0f);
    EXPECT_EQ(max.z, 2.0f);
    // Moved by its transform, the box moves with it.
    points.transform.row[3] = Vec(10, 0, 0, 1);
    ASSERT_TRUE(points.GetLocalBounds(&min, &max));
    EXPECT_EQ(min.x, 8.0f);
    EXPECT_NEAR(points.GetExtend(), std::sqrt(3.0f), 1e-6f);

    TConvex odd;
    odd.SetDefault();
    odd.type = 42;
    testing::internal::CaptureStderr();
    EXPECT_EQ(odd.GetExtend(), 0.0f);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("unrecongised primitive type"), std::string::npos);
    EXPECT_FALSE(odd.GetLocalBounds(&min, &max));
    TConvex bounds;
    testing::internal::CaptureStderr();
    LinkBody(&bounds, &odd, 1);
    testing::internal::GetCapturedStderr();
    EXPECT_GE(bounds.dims[0], 0.0f); // never an inside-out box
}
