#include "backend/math/QuaternionMath.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"

#include "backend/math/MathTestUtil.h"

#include <cmath>
#include <numbers>
#include <random>

using namespace backend;
using mathtest::MatrixNear;
using mathtest::VectorNear;

namespace {

constexpr float PI = std::numbers::pi_v<float>;

Quaternion RandomUnitQuaternion(std::mt19937& rng)
{
    std::normal_distribution<float> d;
    Quaternion q{d(rng), d(rng), d(rng), d(rng)};
    QuaternionNormalize(&q, &q);
    return q;
}

// q and -q are the same rotation.
::testing::AssertionResult SameRotation(const Quaternion& a, const Quaternion& b, float tolerance)
{
    float dot = std::abs(QuaternionDot(&a, &b));
    if (std::abs(dot - 1.0f) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "|dot| = " << dot;
}

} // namespace

TEST(QuaternionMath, AxisQuaternionMatchesAxisMatrix)
{
    Vector3 axis{1, -2, 0.5f};
    Quaternion q;
    QuaternionRotationAxis(&q, &axis, 1.3f);
    EXPECT_NEAR(QuaternionDot(&q, &q), 1.0f, 1e-6f);
    EXPECT_NEAR(q.w, std::cos(0.65f), 1e-6f);
    Matrix fromQuaternion, fromAxis;
    MatrixRotationQuaternion(&fromQuaternion, &q);
    MatrixRotationAxis(&fromAxis, &axis, 1.3f);
    EXPECT_TRUE(MatrixNear(fromQuaternion, fromAxis, 1e-6f));
}

TEST(QuaternionMath, MatrixRoundTripCoversEveryBranch)
{
    std::mt19937 rng(3);
    std::vector<Quaternion> cases = {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    // Half turns about each axis and near-half turns reach the non-trace branches.
    Vector3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}};
    for (const Vector3& axis : axes)
        for (float angle : {PI, PI * 0.97f, 0.1f, -2.5f})
            QuaternionRotationAxis(&cases.emplace_back(), &axis, angle);
    for (int n = 0; n < 500; ++n)
        cases.push_back(RandomUnitQuaternion(rng));

    for (const Quaternion& q : cases) {
        Matrix m, back;
        MatrixRotationQuaternion(&m, &q);
        Quaternion r;
        QuaternionRotationMatrix(&r, &m);
        EXPECT_TRUE(SameRotation(r, q, 1e-5f)) << q.x << " " << q.y << " " << q.z << " " << q.w;
        MatrixRotationQuaternion(&back, &r);
        EXPECT_TRUE(MatrixNear(back, m, 1e-5f));
    }
    // Translation in the matrix does not disturb the rotation read.
    Matrix m;
    MatrixRotationY(&m, 0.8f);
    m.m[3][0] = 100;
    m.m[3][2] = -50;
    Quaternion r, expected;
    Vector3 y{0, 1, 0};
    QuaternionRotationMatrix(&r, &m);
    QuaternionRotationAxis(&expected, &y, 0.8f);
    EXPECT_TRUE(SameRotation(r, expected, 1e-6f));
}

TEST(QuaternionMath, MultiplyComposesLikeMatrices)
{
    std::mt19937 rng(5);
    for (int n = 0; n < 100; ++n) {
        Quaternion a = RandomUnitQuaternion(rng), b = RandomUnitQuaternion(rng), ab;
        QuaternionMultiply(&ab, &a, &b);
        Matrix ma, mb, product, fromProduct;
        MatrixRotationQuaternion(&ma, &a);
        MatrixRotationQuaternion(&mb, &b);
        MatrixMultiply(&product, &ma, &mb);
        MatrixRotationQuaternion(&fromProduct, &ab);
        EXPECT_TRUE(MatrixNear(fromProduct, product, 1e-5f));
        Quaternion aliased = a;
        QuaternionMultiply(&aliased, &aliased, &b);
        EXPECT_EQ(std::memcmp(&aliased, &ab, sizeof ab), 0);
    }
}

TEST(QuaternionMath, SlerpEndsMidpointAndShortestArc)
{
    Vector3 y{0, 1, 0};
    Quaternion a, b, out, expected;
    QuaternionRotationAxis(&a, &y, 0.2f);
    QuaternionRotationAxis(&b, &y, 1.4f);
    EXPECT_TRUE(SameRotation(*QuaternionSlerp(&out, &a, &b, 0), a, 1e-6f));
    EXPECT_TRUE(SameRotation(*QuaternionSlerp(&out, &a, &b, 1), b, 1e-6f));
    QuaternionRotationAxis(&expected, &y, 0.2f + 1.2f * 0.25f);
    QuaternionSlerp(&out, &a, &b, 0.25f);
    EXPECT_NEAR(out.w, expected.w, 1e-6f);
    EXPECT_NEAR(out.y, expected.y, 1e-6f);

    // b given as its negative still takes the short way.
    Quaternion negated{-b.x, -b.y, -b.z, -b.w};
    QuaternionSlerp(&out, &a, &negated, 0.25f);
    EXPECT_TRUE(SameRotation(out, expected, 1e-6f));

    // Equal inputs: no division by sin(0).
    QuaternionSlerp(&out, &a, &a, 0.5f);
    EXPECT_TRUE(std::isfinite(out.w));
    EXPECT_TRUE(SameRotation(out, a, 1e-6f));

    // Output may alias an input.
    Quaternion aliased = a;
    QuaternionSlerp(&expected, &a, &b, 0.6f);
    QuaternionSlerp(&aliased, &aliased, &b, 0.6f);
    EXPECT_EQ(std::memcmp(&aliased, &expected, sizeof aliased), 0);
}

TEST(QuaternionMath, NormalizeOfZeroStaysZero)
{
    Quaternion zero{0, 0, 0, 0}, out;
    QuaternionNormalize(&out, &zero);
    EXPECT_EQ(out.w, 0.0f);
    EXPECT_FALSE(std::isnan(out.x));
    Quaternion q{0, 0, 3, 4};
    QuaternionNormalize(&q, &q);
    EXPECT_FLOAT_EQ(q.z, 0.6f);
    EXPECT_FLOAT_EQ(q.w, 0.8f);
}
