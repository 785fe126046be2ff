#pragma once
// Comparisons and random inputs shared by the math tests.

#include "backend/math/MathTypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace mathtest {

inline ::testing::AssertionResult MatrixNear(const backend::Matrix& a, const backend::Matrix& b, float tolerance)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!(std::abs(a.m[i][j] - b.m[i][j]) <= tolerance))
                return ::testing::AssertionFailure()
                       << "element [" << i << "][" << j << "]: " << a.m[i][j] << " vs " << b.m[i][j];
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult VectorNear(const backend::Vector3& a, const backend::Vector3& b, float tolerance)
{
    if (std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance && std::abs(a.z - b.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                                         << ", " << b.z << ")";
}

inline backend::Matrix Rows(std::initializer_list<float> values)
{
    backend::Matrix r;
    int n = 0;
    for (float v : values) {
        r.m[n / 4][n % 4] = v;
        ++n;
    }
    return r;
}

// A general matrix with entries in [-2, 2], well away from singular in practice.
inline backend::Matrix RandomMatrix(std::mt19937& rng)
{
    std::uniform_real_distribution<float> d(-2.0f, 2.0f);
    backend::Matrix r;
    for (auto& row : r.m)
        for (float& v : row)
            v = d(rng);
    return r;
}

} // namespace mathtest
