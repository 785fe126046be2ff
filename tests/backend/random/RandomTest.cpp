#include "backend/random/Random.h"

#include <gtest/gtest.h>

TEST(Random, StaysInRangeAndCoversIt)
{
    backend::SeedRandom(12345);
    int lowest = backend::RANDOM_MAX, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        int value = backend::Random();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, backend::RANDOM_MAX);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, backend::RANDOM_MAX);
}

TEST(Random, SameSeedRepeatsTheSequence)
{
    backend::SeedRandom(7);
    int a[5];
    for (int& v : a)
        v = backend::Random();
    backend::SeedRandom(7);
    for (int v : a)
        EXPECT_EQ(backend::Random(), v);
}
