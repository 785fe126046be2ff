#include "backend/math/Vector.h"
#include "backend/math/MatrixMath.h"

#include "backend/math/MathTestUtil.h"

#include <cmath>

using namespace backend;
using mathtest::Rows;
using mathtest::VectorNear;

TEST(Vector, CrossDotLengthClosedForms)
{
    Vector3 a{1, 2, 3}, b{-4, 5, 0.5f}, c;
    Vec3Cross(&c, &a, &b);
    EXPECT_EQ(c, (Vector3{2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4}));
    EXPECT_EQ(Vec3Dot(&a, &b), 1 * -4 + 2 * 5 + 3 * 0.5f);
    EXPECT_EQ(Vec3LengthSq(&a), 14.0f);
    EXPECT_FLOAT_EQ(Vec3Length(&a), std::sqrt(14.0f));
}

TEST(Vector, OutputMayAliasInput)
{
    Vector3 a{1, 2, 3}, b{-4, 5, 0.5f}, expected;
    Vec3Cross(&expected, &a, &b);
    Vector3 aliased = a;
    Vec3Cross(&aliased, &aliased, &b);
    EXPECT_EQ(aliased, expected);
    aliased = b;
    Vec3Cross(&aliased, &a, &aliased);
    EXPECT_EQ(aliased, expected);

    Matrix m = Rows({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 2, 0, 5, 6, 7, 1});
    Vector3 v{1, 2, 3};
    Vec3TransformCoord(&expected, &v, &m);
    Vec3TransformCoord(&v, &v, &m);
    EXPECT_EQ(v, expected);
    v = {1, 2, 3};
    Vec3TransformNormal(&expected, &v, &m);
    Vec3TransformNormal(&v, &v, &m);
    EXPECT_EQ(v, expected);
    v = {3, 4, 0};
    Vec3Normalize(&v, &v);
    EXPECT_TRUE(VectorNear(v, {0.6f, 0.8f, 0}, 1e-7f));
}

TEST(Vector, NormalizeOfZeroIsZeroNotNan)
{
    Vector3 zero{}, out{9, 9, 9};
    Vec3Normalize(&out, &zero);
    EXPECT_EQ(out, (Vector3{0, 0, 0}));
    Vector3 tiny{1e-30f, 0, 0};
    Vec3Normalize(&out, &tiny);
    EXPECT_FALSE(std::isnan(out.x));
}

TEST(Vector, TransformsUseRowVectorsAndW)
{
    // Translation in row 3, a scale and a w row that halves the result.
    Matrix m = Rows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 10, 20, 30, 2});
    Vector3 v{1, 1, 1}, out;
    Vector4 full;
    Vec3Transform(&full, &v, &m);
    EXPECT_EQ(full.x, 12.0f);
    EXPECT_EQ(full.y, 23.0f);
    EXPECT_EQ(full.z, 34.0f);
    EXPECT_EQ(full.w, 2.0f);
    Vec3TransformCoord(&out, &v, &m);
    EXPECT_EQ(out, (Vector3{6, 11.5f, 17}));
    Vec3TransformNormal(&out, &v, &m);
    EXPECT_EQ(out, (Vector3{2, 3, 4}));

    // Row vector: x picks row 0 of a non-symmetric matrix.
    Matrix r = Rows({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1});
    Vector3 ex{1, 0, 0};
    Vec3TransformNormal(&out, &ex, &r);
    EXPECT_EQ(out, (Vector3{1, 2, 3}));
}
