#include "engine/platform/MathUtil.h"

#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

using namespace backend;

namespace {

constexpr float PI = std::numbers::pi_v<float>;

bool Near(const Vector3& a, const Vector3& b, float tolerance)
{
    return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance && std::abs(a.z - b.z) <= tolerance;
}

bool AllFinite(const Matrix& m)
{
    for (const auto& row : m.m)
        for (float v : row)
            if (!std::isfinite(v))
                return false;
    return true;
}

// A proper rotation: orthonormal rows and determinant +1.
void ExpectRotation(const Matrix& m)
{
    ASSERT_TRUE(AllFinite(m));
    EXPECT_NEAR(MatrixDeterminant(&m), 1.0f, 1e-5f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float dot = m.m[i][0] * m.m[j][0] + m.m[i][1] * m.m[j][1] + m.m[i][2] * m.m[j][2];
            EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5f);
        }
}

Vector3 RandomUnit(std::mt19937& rng)
{
    std::normal_distribution<float> d;
    Vector3 v{d(rng), d(rng), d(rng)};
    Vec3Normalize(&v, &v);
    return v;
}

} // namespace

TEST(MathUtil, RotationMatrixIsRollPitchYawAndWorldAddsTranslation)
{
    Vector3 angles{0.3f, -1.1f, 0.4f};
    Matrix rotation, expected;
    BuildRotationMatrix(&rotation, &angles);
    MatrixRotationYawPitchRoll(&expected, angles.y, angles.x, angles.z);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_FLOAT_EQ(rotation.m[i][j], expected.m[i][j]);

    // Yaw a quarter turn takes local +z to +x; positive pitch tilts +z downwards.
    Vector3 z{0, 0, 1}, out;
    Vector3 yaw{0, PI / 2, 0}, pitch{0.1f, 0, 0};
    BuildRotationMatrix(&rotation, &yaw);
    EXPECT_TRUE(Near(*Vec3TransformNormal(&out, &z, &rotation), {1, 0, 0}, 1e-6f));
    BuildRotationMatrix(&rotation, &pitch);
    EXPECT_LT(Vec3TransformNormal(&out, &z, &rotation)->y, 0.0f);

    Vector3 position{4, 5, -6};
    Matrix world;
    BuildWorldMatrix(&world, &position, &angles);
    BuildRotationMatrix(&rotation, &angles);
    EXPECT_EQ(world.m[3][0], 4.0f);
    EXPECT_EQ(world.m[3][1], 5.0f);
    EXPECT_EQ(world.m[3][2], -6.0f);
    EXPECT_EQ(world.m[3][3], 1.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(world.m[i][j], rotation.m[i][j]);
}

TEST(MathUtil, AlignMatrixTurnsBOntoA)
{
    std::mt19937 rng(21);
    for (int n = 0; n < 1000; ++n) {
        Vector3 a = RandomUnit(rng), b = RandomUnit(rng), out;
        Matrix m;
        BuildAlignMatrix(&m, &a, &b);
        ExpectRotation(m);
        EXPECT_TRUE(Near(*Vec3TransformNormal(&out, &b, &m), a, 2e-5f));
    }
    // The closed form for an ordinary pair: about cross(b, a) by acos(a . b).
    Vector3 a{0, 1, 0}, b{0.6f, 0.8f, 0}, axis;
    Matrix m, expected;
    BuildAlignMatrix(&m, &a, &b);
    Vec3Cross(&axis, &b, &a);
    MatrixRotationAxis(&expected, &axis, std::acos(0.8f));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(m.m[i][j], expected.m[i][j], 1e-6f);
}

TEST(MathUtil, AlignMatrixOfParallelAndOppositeVectorsHasNoNan)
{
    Vector3 cases[] = {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0.48f, -0.6f, 0.64f}};
    for (Vector3 b : cases) {
        Vec3Normalize(&b, &b);
        Matrix m;
        Vector3 out;
        BuildAlignMatrix(&m, &b, &b);
        EXPECT_TRUE(MatrixIsIdentity(&m));

        Vector3 a = -b;
        BuildAlignMatrix(&m, &a, &b);
        ExpectRotation(m);
        EXPECT_TRUE(Near(*Vec3TransformNormal(&out, &b, &m), a, 1e-6f));
    }
    // Almost opposite: the cross product is tiny but not zero (acos near -1
    // is only good to about 1e-4).
    Vector3 b{0, 1, 0}, a{1e-4f, -1, 0}, out;
    Vec3Normalize(&a, &a);
    Matrix m;
    BuildAlignMatrix(&m, &a, &b);
    ExpectRotation(m);
    EXPECT_TRUE(Near(*Vec3TransformNormal(&out, &b, &m), a, 1e-3f));
}

TEST(MathUtil, AlignMatrixOfDotRoundingAboveOneIsFinite)
{
    // Nearly parallel unit pairs whose float dot product comes out above 1.
    std::mt19937 rng(8);
    int found = 0;
    for (int n = 0; n < 20000 && found < 20; ++n) {
        Vector3 b = RandomUnit(rng), nudge = RandomUnit(rng), a = b + nudge * 2e-4f;
        Vec3Normalize(&a, &a);
        if (!(Vec3Dot(&a, &b) > 1.0f))
            continue;
        ++found;
        Matrix m;
        BuildAlignMatrix(&m, &a, &b);
        ExpectRotation(m);
        Vector3 out;
        EXPECT_TRUE(Near(*Vec3TransformNormal(&out, &b, &m), a, 1e-3f));
    }
    EXPECT_EQ(found, 20);
}

TEST(MathUtil, TriangleNormalFollowsCrossOrderAndDegenerateIsZero)
{
    Vector3 p0{1, 1, 1}, p1{3, 1, 1}, p2{1, 1, 4}, n;
    ComputeTriangleNormal(&n, &p0, &p1, &p2);
    EXPECT_TRUE(Near(n, {0, -1, 0}, 0));
    ComputeTriangleNormal(&n, &p0, &p2, &p1);
    EXPECT_TRUE(Near(n, {0, 1, 0}, 0));
    ComputeTriangleNormal(&n, &p0, &p0, &p1);
    EXPECT_EQ(n, (Vector3{0, 0, 0}));
    // Output may be one of the corners.
    Vector3 corner = p0;
    ComputeTriangleNormal(&corner, &corner, &p1, &p2);
    EXPECT_TRUE(Near(corner, {0, -1, 0}, 0));
}

TEST(MathUtil, TextureMatrix2DMovesTranslationToThirdRow)
{
    Matrix m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] = float(10 * (i + 1) + j + 1);
    Matrix t;
    BuildTextureMatrix2D(&t, &m);
    float expected[4][4] = {{11, 12, 13, 0}, {21, 22, 23, 0}, {41, 42, 43, 0}, {0, 0, 0, 1}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(t.m[i][j], expected[i][j]) << i << "," << j;
    BuildTextureMatrix2D(&m, &m);
    EXPECT_EQ(std::memcmp(&m, &t, sizeof m), 0);

    // A (u, v, 1) coordinate picks up the scroll offset.
    Matrix scroll;
    MatrixTranslation(&scroll, 0.25f, 0.5f, 0);
    BuildTextureMatrix2D(&t, &scroll);
    Vector3 uv{0.1f, 0.2f, 1}, out;
    Vec3TransformNormal(&out, &uv, &t);
    EXPECT_FLOAT_EQ(out.x, 0.35f);
    EXPECT_FLOAT_EQ(out.y, 0.7f);
}
