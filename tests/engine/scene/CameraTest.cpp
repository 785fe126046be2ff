#include "engine/scene/Camera.h"

#include "engine/platform/BoxCorners.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

using backend::Matrix;
using backend::Vector3;

namespace {

constexpr float PI = std::numbers::pi_v<float>;

bool Near(const Vector3& a, const Vector3& b, float tolerance)
{
    return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance && std::abs(a.z - b.z) <= tolerance;
}

// The race's usual lens.
Camera MakeCamera(Vector3 eye, Vector3 angles, float aspect = 4.0f / 3.0f)
{
    Camera camera;
    EXPECT_TRUE(camera.Set(PI / 4, aspect, 0.1f, 500.0f, &eye, &angles));
    return camera;
}

// View-space coordinates (right, up, forward distance) through the view matrix.
Vector3 ToView(const Camera& camera, const Vector3& p)
{
    Vector3 v;
    backend::Vec3TransformCoord(&v, &p, &camera.view);
    return v;
}

// Which of the six planes a view-space point is outside of (bit per plane),
// and how far it is from the nearest bound (to skip points that rounding decides).
unsigned OutsidePlanes(const Camera& camera, const Vector3& v, float* margin)
{
    float tw = std::tan(camera.fov * camera.aspect / 2), th = std::tan(camera.fov / 2);
    float bounds[6] = {v.z - camera.nearClip, camera.farClip - v.z, v.x + v.z * tw,
                       v.z * tw - v.x,        v.y + v.z * th,       v.z * th - v.y};
    unsigned mask = 0;
    *margin = 1e30f;
    for (int i = 0; i < 6; ++i) {
        if (bounds[i] < 0)
            mask |= 1u << i;
        *margin = std::min(*margin, std::abs(bounds[i]));
    }
    return mask;
}

} // namespace

TEST(Camera, AxesViewAndProjection)
{
    Camera camera = MakeCamera({1, 2, 3}, {0, 0, 0});
    EXPECT_TRUE(Near(camera.forward, {0, 0, 1}, 0));
    EXPECT_TRUE(Near(camera.right, {1, 0, 0}, 0));
    EXPECT_TRUE(Near(camera.up, {0, 1, 0}, 0));

    camera = MakeCamera({1, 2, 3}, {0, PI / 2, 0});
    EXPECT_TRUE(Near(camera.forward, {1, 0, 0}, 1e-6f));
    EXPECT_TRUE(Near(camera.right, {0, 0, -1}, 1e-6f));

    // Positive pitch looks up (the opposite sense to an object's pitch).
    camera = MakeCamera({0, 0, 0}, {0.3f, 0, 0});
    EXPECT_TRUE(Near(camera.forward, {0, std::sin(0.3f), std::cos(0.3f)}, 1e-6f));

    camera = MakeCamera({5, -1, 7}, {0.2f, -0.9f, 0.1f});
    EXPECT_TRUE(Near(ToView(camera, camera.eye), {0, 0, 0}, 1e-5f));
    EXPECT_TRUE(Near(ToView(camera, camera.eye + camera.forward), {0, 0, 1}, 1e-5f));
    EXPECT_TRUE(Near(ToView(camera, camera.eye + camera.right), {1, 0, 0}, 1e-5f));
    EXPECT_NEAR(backend::Vec3Length(&camera.up), 1.0f, 1e-6f);

    Matrix expected;
    backend::MatrixPerspectiveFovLH(&expected, PI / 4, 4.0f / 3.0f, 0.1f, 500.0f);
    EXPECT_EQ(std::memcmp(&camera.projection, &expected, sizeof expected), 0);
}

TEST(Camera, PointTestBoundsAreInclusive)
{
    Camera camera = MakeCamera({0, 0, 0}, {0, 0, 0});
    Vector3 p{0, 0, 500.0f};
    EXPECT_TRUE(camera.IsPointInFrustum(&p));
    p = {0, 0, 500.1f};
    EXPECT_FALSE(camera.IsPointInFrustum(&p));
    p = {0, 0, 0.1f};
    EXPECT_TRUE(camera.IsPointInFrustum(&p));
    p = {0, 0, 0.09f};
    EXPECT_FALSE(camera.IsPointInFrustum(&p));
    p = {0, 0, -1};
    EXPECT_FALSE(camera.IsPointInFrustum(&p));

    // The side limit uses tan(fov x aspect / 2), wider than aspect x tan(fov / 2).
    float d = 100;
    float wide = d * camera.tanHalfWidth;
    float narrow = d * camera.aspect * std::tan(PI / 8);
    ASSERT_GT(wide, narrow * 1.03f);
    p = {(wide + narrow) / 2, 0, d};
    EXPECT_TRUE(camera.IsPointInFrustum(&p));
    p = {wide * 0.9999f, 0, d};
    EXPECT_TRUE(camera.IsPointInFrustum(&p));
    p = {-wide * 0.9999f, 0, d};
    EXPECT_TRUE(camera.IsPointInFrustum(&p));
    p = {wide * 1.0001f, 0, d};
    EXPECT_FALSE(camera.IsPointInFrustum(&p));
    p = {0, d * camera.tanHalfHeight * 1.0001f, d};
    EXPECT_FALSE(camera.IsPointInFrustum(&p));
    p = {0, -d * camera.tanHalfHeight * 0.9999f, d};
    EXPECT_TRUE(camera.IsPointInFrustum(&p));
}

TEST(Camera, PointTestMatchesViewSpaceReference)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> angle(-PI, PI), coord(-600, 600);
    int checked = 0, inside = 0;
    for (int pose = 0; pose < 20; ++pose) {
        Camera camera = MakeCamera({coord(rng) / 10, coord(rng) / 10, coord(rng) / 10},
                                   {angle(rng) / 3, angle(rng), angle(rng) / 4}, pose % 2 ? 1.0f : 4.0f / 3.0f);
        for (int n = 0; n < 2000; ++n) {
            // Half the points are drawn near the view axis so that both answers occur.
            Vector3 p{coord(rng), coord(rng), coord(rng)};
            if (n % 2)
                p = camera.eye + camera.forward * (std::abs(p.z) * 0.8f) + camera.right * (p.x * 0.3f) +
                    camera.up * (p.y * 0.2f);
            float margin;
            unsigned outside = OutsidePlanes(camera, ToView(camera, p), &margin);
            if (margin < 1e-2f)
                continue;
            ++checked;
            inside += outside == 0;
            EXPECT_EQ(camera.IsPointInFrustum(&p), outside == 0) << pose << "/" << n;
        }
    }
    EXPECT_GT(checked, 35000);
    EXPECT_GT(inside, 5000);
}

TEST(Camera, FrustumBoxHoldsTheFrustum)
{
    std::mt19937 rng(2);
    std::uniform_real_distribution<float> unit(0, 1), angle(-PI, PI);
    for (int pose = 0; pose < 20; ++pose) {
        Camera camera = MakeCamera({angle(rng), angle(rng), angle(rng)}, {angle(rng) / 3, angle(rng), angle(rng)});
        const BoundingBox& box = camera.frustumBox;
        float slack = 1e-3f;
        for (int n = 0; n < 500; ++n) {
            float d = camera.nearClip + unit(rng) * (camera.farClip - camera.nearClip);
            float s = unit(rng) * 2 - 1, t = unit(rng) * 2 - 1;
            Vector3 p = camera.eye + camera.forward * d + camera.right * (s * d * camera.tanHalfWidth) +
                        camera.up * (t * d * camera.tanHalfHeight);
            EXPECT_TRUE(p.x >= box.min.x - slack && p.x <= box.max.x + slack);
            EXPECT_TRUE(p.y >= box.min.y - slack && p.y <= box.max.y + slack);
            EXPECT_TRUE(p.z >= box.min.z - slack && p.z <= box.max.z + slack);
        }
        // Tight: every face of the box is reached by a corner of the frustum.
        bool reached[6] = {};
        for (float d : {camera.nearClip, camera.farClip})
            for (float s : {-1.0f, 1.0f})
                for (float t : {-1.0f, 1.0f}) {
                    Vector3 p = camera.eye + camera.forward * d + camera.right * (s * d * camera.tanHalfWidth) +
                                camera.up * (t * d * camera.tanHalfHeight);
                    reached[0] |= std::abs(p.x - box.min.x) < slack;
                    reached[1] |= std::abs(p.x - box.max.x) < slack;
                    reached[2] |= std::abs(p.y - box.min.y) < slack;
                    reached[3] |= std::abs(p.y - box.max.y) < slack;
                    reached[4] |= std::abs(p.z - box.min.z) < slack;
                    reached[5] |= std::abs(p.z - box.max.z) < slack;
                }
        for (bool face : reached)
            EXPECT_TRUE(face);
    }
}

TEST(Camera, BoxTestMatchesReferenceOnRandomBoxes)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> angle(-PI, PI), coord(-400, 400), size(0.1f, 150);
    int accepted = 0, rejectedByPlane = 0;
    for (int pose = 0; pose < 20; ++pose) {
        Camera camera = MakeCamera({coord(rng) / 20, coord(rng) / 20, coord(rng) / 20},
                                   {angle(rng) / 3, angle(rng), angle(rng) / 4});
        const BoundingBox& world = camera.frustumBox;
        for (int n = 0; n < 1000; ++n) {
            BoundingBox box;
            Vector3 centre{coord(rng), coord(rng), coord(rng)};
            if (n % 2)
                centre = camera.eye + camera.forward * std::abs(coord(rng));
            box.SetCentreSize(&centre, size(rng), size(rng), size(rng));

            bool overlaps = !(box.max.x < world.min.x || box.min.x > world.max.x || box.max.y < world.min.y ||
                              box.min.y > world.max.y || box.max.z < world.min.z || box.min.z > world.max.z);
            BoxCorners corners;
            box.GetCorners(&corners);
            unsigned all = ~0u;
            bool cornerInside = false, undecided = false;
            for (const Vector3& c : corners.corners) {
                float margin;
                unsigned outside = OutsidePlanes(camera, ToView(camera, c), &margin);
                undecided |= margin < 1e-2f;
                all &= outside;
                cornerInside |= outside == 0;
            }
            if (undecided)
                continue;
            bool expected = overlaps && (cornerInside || (all & 0x3F) == 0);
            EXPECT_EQ(camera.IsBoxInFrustum(&box), expected) << pose << "/" << n;
            accepted += expected;
            rejectedByPlane += overlaps && !expected;

            // Never a false rejection: a box with a point inside the frustum is kept.
            Vector3 probe = box.min + (box.max - box.min) * 0.5f;
            if (camera.IsPointInFrustum(&probe) || cornerInside) {
                EXPECT_TRUE(camera.IsBoxInFrustum(&box));
            }
        }
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(rejectedByPlane, 100);
}

TEST(Camera, BoxTestEdgeCases)
{
    Camera camera = MakeCamera({0, 0, 0}, {0, 0, 0});

    // Contains the whole frustum, no corner inside: accepted.
    BoundingBox huge;
    huge.min = {-1000, -1000, -1000};
    huge.max = {1000, 1000, 1000};
    EXPECT_TRUE(camera.IsBoxInFrustum(&huge));

    // Inside the world box but wholly beyond the right plane: rejected.
    float d = 400;
    BoundingBox side;
    side.min = {d * camera.tanHalfWidth * 0.5f + 300, -5, 10};
    side.max = {d * camera.tanHalfWidth, 5, 20};
    ASSERT_LE(side.max.x, camera.frustumBox.max.x);
    EXPECT_FALSE(camera.IsBoxInFrustum(&side));

    // Straddling the near plane around the view axis.
    BoundingBox nearBox;
    nearBox.min = {-0.01f, -0.01f, -1};
    nearBox.max = {0.01f, 0.01f, 1};
    EXPECT_TRUE(camera.IsBoxInFrustum(&nearBox));

    // Behind the eye: outside the world box.
    BoundingBox behind;
    behind.min = {-1, -1, -5};
    behind.max = {1, 1, -2};
    EXPECT_FALSE(camera.IsBoxInFrustum(&behind));

    // Touching the world box on its far face passes the first step.
    BoundingBox touching;
    touching.min = {-1, -1, camera.frustumBox.max.z};
    touching.max = {1, 1, camera.frustumBox.max.z + 10};
    EXPECT_TRUE(camera.IsBoxInFrustum(&touching));

    // The empty box is never visible.
    BoundingBox empty;
    EXPECT_FALSE(camera.IsBoxInFrustum(&empty));
}
