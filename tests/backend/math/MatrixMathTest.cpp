#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include "backend/math/MathTestUtil.h"

#include <cmath>
#include <numbers>
#include <random>

using namespace backend;
using mathtest::MatrixNear;
using mathtest::Rows;
using mathtest::VectorNear;

namespace {
constexpr float PI = std::numbers::pi_v<float>;
}

TEST(MatrixMath, BuildersMatchClosedForms)
{
    Matrix m;
    MatrixIdentity(&m);
    EXPECT_TRUE(MatrixIsIdentity(&m));
    EXPECT_TRUE(MatrixNear(m, Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), 0));

    MatrixTranslation(&m, 3, -4, 5);
    EXPECT_TRUE(MatrixNear(m, Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, -4, 5, 1}), 0));
    MatrixScaling(&m, 2, 3, 4);
    EXPECT_TRUE(MatrixNear(m, Rows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}), 0));

    float a = 0.7f, c = std::cos(a), s = std::sin(a);
    MatrixRotationX(&m, a);
    EXPECT_TRUE(MatrixNear(m, Rows({1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1}), 0));
    MatrixRotationY(&m, a);
    EXPECT_TRUE(MatrixNear(m, Rows({c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1}), 0));
    MatrixRotationZ(&m, a);
    EXPECT_TRUE(MatrixNear(m, Rows({c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), 0));

    float fov = PI / 4, aspect = 4.0f / 3.0f, zn = 0.1f, zf = 1000.0f;
    float ys = 1.0f / std::tan(fov / 2), xs = ys / aspect;
    MatrixPerspectiveFovLH(&m, fov, aspect, zn, zf);
    EXPECT_TRUE(
        MatrixNear(m, Rows({xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0}), 0));

    MatrixOrthoLH(&m, 800, 600, 0, 1);
    EXPECT_TRUE(MatrixNear(m, Rows({2 / 800.0f, 0, 0, 0, 0, 2 / 600.0f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), 0));
    MatrixOrthoLH(&m, 10, 20, 2, 6);
    EXPECT_TRUE(MatrixNear(m, Rows({0.2f, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0, 0.25f, 0, 0, 0, -0.5f, 1}), 0));
}

TEST(MatrixMath, RotationAxisReducesToAxisRotationsAndNormalisesTheAxis)
{
    Matrix axisForm, plain;
    Vector3 ax{3, 0, 0}, ay{0, 0.5f, 0}, az{0, 0, 2};
    for (float angle : {0.3f, -1.2f, 2.5f}) {
        EXPECT_TRUE(MatrixNear(*MatrixRotationAxis(&axisForm, &ax, angle), *MatrixRotationX(&plain, angle), 1e-6f));
        EXPECT_TRUE(MatrixNear(*MatrixRotationAxis(&axisForm, &ay, angle), *MatrixRotationY(&plain, angle), 1e-6f));
        EXPECT_TRUE(MatrixNear(*MatrixRotationAxis(&axisForm, &az, angle), *MatrixRotationZ(&plain, angle), 1e-6f));
    }
    // General axis: the closed form with t = 1 - c.
    Vector3 axis{1, 2, 2};
    float a = 0.9f, c = std::cos(a), s = std::sin(a), t = 1 - c;
    float nx = 1 / 3.0f, ny = 2 / 3.0f, nz = 2 / 3.0f;
    MatrixRotationAxis(&axisForm, &axis, a);
    EXPECT_TRUE(MatrixNear(axisForm,
                           Rows({t * nx * nx + c, t * nx * ny + s * nz, t * nx * nz - s * ny, 0, //
                                 t * nx * ny - s * nz, t * ny * ny + c, t * ny * nz + s * nx, 0, //
                                 t * nx * nz + s * ny, t * ny * nz - s * nx, t * nz * nz + c, 0, //
                                 0, 0, 0, 1}),
                           1e-6f));
    // The axis itself stays put.
    Vector3 out;
    Vec3TransformNormal(&out, &axis, &axisForm);
    EXPECT_TRUE(VectorNear(out, axis, 1e-5f));
}

TEST(MatrixMath, YawPitchRollIsRollThenPitchThenYaw)
{
    Matrix z, x, y, expected, ypr;
    MatrixRotationZ(&z, 0.3f);
    MatrixRotationX(&x, -0.4f);
    MatrixRotationY(&y, 1.1f);
    MatrixMultiply(&expected, &z, &x);
    MatrixMultiply(&expected, &expected, &y);
    MatrixRotationYawPitchRoll(&ypr, 1.1f, -0.4f, 0.3f);
    EXPECT_TRUE(MatrixNear(ypr, expected, 0));
}

TEST(MatrixMath, MultiplyAppliesLeftFactorFirstAndAllowsAliasing)
{
    Matrix translate, rotate, m;
    MatrixTranslation(&translate, 5, 0, 0);
    MatrixRotationY(&rotate, PI / 2);
    // Rotate, then translate: the origin ends at (5, 0, 0).
    MatrixMultiply(&m, &rotate, &translate);
    Vector3 origin{}, out;
    EXPECT_TRUE(VectorNear(*Vec3TransformCoord(&out, &origin, &m), {5, 0, 0}, 1e-6f));
    // Translate, then rotate: (5, 0, 0) turns to (0, 0, -5).
    MatrixMultiply(&m, &translate, &rotate);
    EXPECT_TRUE(VectorNear(*Vec3TransformCoord(&out, &origin, &m), {0, 0, -5}, 1e-5f));

    std::mt19937 rng(7);
    Matrix a = mathtest::RandomMatrix(rng), b = mathtest::RandomMatrix(rng), expected;
    MatrixMultiply(&expected, &a, &b);
    Matrix aliased = a;
    MatrixMultiply(&aliased, &aliased, &b);
    EXPECT_TRUE(MatrixNear(aliased, expected, 0));
    aliased = b;
    MatrixMultiply(&aliased, &a, &aliased);
    EXPECT_TRUE(MatrixNear(aliased, expected, 0));
    Matrix square = a, squareExpected;
    MatrixMultiply(&squareExpected, &a, &a);
    MatrixMultiply(&square, &square, &square);
    EXPECT_TRUE(MatrixNear(square, squareExpected, 0));

    Matrix transposed = a;
    MatrixTranspose(&transposed, &transposed);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(transposed.m[i][j], a.m[j][i]);
}

TEST(MatrixMath, InverseTimesMatrixIsIdentity)
{
    std::mt19937 rng(11);
    Matrix identity;
    MatrixIdentity(&identity);
    for (int n = 0; n < 200; ++n) {
        Matrix m = mathtest::RandomMatrix(rng), inverse, product;
        float det = 0;
        ASSERT_NE(MatrixInverse(&inverse, &det, &m), nullptr);
        if (std::abs(det) < 0.05f)
            continue; // too close to singular for a tight tolerance
        EXPECT_NEAR(det, MatrixDeterminant(&m), 1e-4f * std::max(1.0f, std::abs(det)));
        EXPECT_TRUE(MatrixNear(*MatrixMultiply(&product, &inverse, &m), identity, 2e-4f));
        EXPECT_TRUE(MatrixNear(*MatrixMultiply(&product, &m, &inverse), identity, 2e-4f));
        Matrix aliased = m;
        MatrixInverse(&aliased, nullptr, &aliased);
        EXPECT_TRUE(MatrixNear(aliased, inverse, 0));
    }

    // A rigid transform: the inverse of rotate-then-translate.
    Matrix world, rotation, translation, inverse;
    MatrixRotationYawPitchRoll(&rotation, 0.5f, 0.2f, -0.3f);
    MatrixTranslation(&translation, 10, -3, 7);
    MatrixMultiply(&world, &rotation, &translation);
    float det = 0;
    MatrixInverse(&inverse, &det, &world);
    EXPECT_NEAR(det, 1.0f, 1e-5f);
    Vector3 p{10, -3, 7}, out;
    EXPECT_TRUE(VectorNear(*Vec3TransformCoord(&out, &p, &inverse), {0, 0, 0}, 1e-5f));
}

TEST(MatrixMath, SingularInverseFailsAndLeavesOutputAlone)
{
    Matrix singular = Rows({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 0, 0, 0, 0, 1});
    Matrix out;
    MatrixTranslation(&out, 1, 2, 3);
    Matrix before = out;
    float det = 5;
    EXPECT_EQ(MatrixInverse(&out, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_TRUE(MatrixNear(out, before, 0));
}
