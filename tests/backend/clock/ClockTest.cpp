#include "backend/clock/Clock.h"

#include <gtest/gtest.h>

TEST(Clock, MillisecondClockIsNeverZeroAndMonotonic)
{
    uint32_t first = backend::TimeGetTime();
    EXPECT_NE(first, 0u);
    backend::SleepMs(2);
    EXPECT_GE(backend::TimeGetTime(), first + 2);
}

TEST(Clock, ManualClockMovesOnlyWhenAdvancedOrSleeping)
{
    backend::UseManualClock(true);
    uint32_t start = backend::TimeGetTime();
    int64_t counter = backend::QueryPerformanceCounter();
    EXPECT_EQ(backend::TimeGetTime(), start);
    backend::AdvanceManualClock(1500);
    EXPECT_EQ(backend::TimeGetTime(), start + 1);
    EXPECT_EQ(backend::QueryPerformanceCounter() - counter, 1500 * backend::QueryPerformanceFrequency() / 1000000);
    backend::SleepMs(16);
    EXPECT_EQ(backend::TimeGetTime(), start + 17);
    backend::UseManualClock(false);
}
