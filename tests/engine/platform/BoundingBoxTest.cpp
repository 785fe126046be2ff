#include "engine/platform/BoundingBox.h"
#include "engine/platform/BoxCorners.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <numbers>

using backend::Matrix;
using backend::Vector3;

TEST(BoundingBox, EmptyBoxUsesBitExactMarkers)
{
    BoundingBox box;
    uint32_t minBits, maxBits;
    std::memcpy(&minBits, &box.min.y, 4);
    std::memcpy(&maxBits, &box.max.z, 4);
    EXPECT_EQ(minBits, 0x7F7FFFFFu);
    EXPECT_EQ(maxBits, 0x00800000u);
    EXPECT_EQ(box.min.x, FLT_MAX);
    EXPECT_EQ(box.max.x, FLT_MIN);
}

TEST(BoundingBox, CentreSizeAndCornerOrder)
{
    BoundingBox box;
    Vector3 centre{1, 2, 3};
    box.SetCentreSize(&centre, 2, 4, 6);
    EXPECT_EQ(box.min, (Vector3{0, 0, 0}));
    EXPECT_EQ(box.max, (Vector3{2, 4, 6}));
    BoxCorners corners;
    box.GetCorners(&corners);
    Vector3 expected[8] = {{0, 0, 0}, {2, 0, 0}, {0, 4, 0}, {2, 4, 0}, {0, 0, 6}, {2, 0, 6}, {0, 4, 6}, {2, 4, 6}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(corners.corners[i], expected[i]) << "corner " << i;
}

TEST(BoxCorners, TransformedBoundsAtNegativeXReplaceTheMarkers)
{
    BoundingBox box;
    Vector3 centre{-10, -5, -20};
    box.SetCentreSize(&centre, 2, 2, 2);
    BoxCorners corners;
    box.GetCorners(&corners);
    Matrix identity;
    backend::MatrixIdentity(&identity);
    BoundingBox out;
    out.min = {1, 1, 1}; // overwritten, not grown
    corners.GetTransformedBounds(&out, &identity);
    EXPECT_EQ(out.min, (Vector3{-11, -6, -21}));
    EXPECT_EQ(out.max, (Vector3{-9, -4, -19}));
}

TEST(BoxCorners, TransformedBoundsOfRotatedAndMovedBox)
{
    BoundingBox box;
    box.min = {0, 0, 0};
    box.max = {4, 1, 2};
    BoxCorners corners;
    box.GetCorners(&corners);
    // A quarter yaw takes +z to +x and +x to -z; then move by (10, 0, 0).
    Matrix rotation, translation, world;
    backend::MatrixRotationY(&rotation, std::numbers::pi_v<float> / 2);
    backend::MatrixTranslation(&translation, 10, 0, 0);
    backend::MatrixMultiply(&world, &rotation, &translation);
    BoundingBox out;
    corners.GetTransformedBounds(&out, &world);
    EXPECT_NEAR(out.min.x, 10, 1e-5f);
    EXPECT_NEAR(out.max.x, 12, 1e-5f);
    EXPECT_NEAR(out.min.y, 0, 1e-5f);
    EXPECT_NEAR(out.max.y, 1, 1e-5f);
    EXPECT_NEAR(out.min.z, -4, 1e-5f);
    EXPECT_NEAR(out.max.z, 0, 1e-5f);
}
