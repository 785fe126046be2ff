#include "PhysicsTestSupport.h"

#include "physics/TPerfTimer.h"

#include <gtest/gtest.h>

namespace {

uint64_t g_Now = 0;
uint64_t g_Tick = 0;
int g_Reads = 0;

// Moves on by g_Tick nanoseconds at every read.
uint64_t FakeClock()
{
    ++g_Reads;
    g_Now += g_Tick;
    return g_Now;
}

} // namespace

TEST(TPerfTimer, ElapsedSubtractsTheOverheadAndNeverGoesNegative)
{
    TPerfTimer timer;
    timer.clock = &FakeClock;
    g_Tick = 0;
    timer.Calibrate();
    EXPECT_EQ(timer.overhead, 0) << "a frozen clock costs nothing";
    timer.overhead = 50;
    timer.Reset();
    g_Tick = 20;
    EXPECT_EQ(timer.Elapsed(), 0.0) << "shorter than the overhead";
    g_Tick = 0;
    g_Now = (uint64_t(1) << 32) + 500; // past the 32-bit wrap
    timer.lastMark = (uint64_t(1) << 32) - 500;
    EXPECT_NEAR(timer.Elapsed(), 950e-9, 1e-12);
}

// Without terrain a sub-step marks eight stages; each mark reads the fake clock once.
TEST(TPerfReport, ReportsTheLastTotalOrARunningMeanOfSaneTotals)
{
    OwnedSimulator simulator(MakeSimulator(1, 0, 1));
    AddBox(simulator, Vec(1, 1, 1), Vec(0, 10, 0));
    simulator->perfTimer->clock = &FakeClock;
    simulator->perfTimer->overhead = 0;
    g_Tick = 1000000; // 1 ms per read

    TPerfReport untouched;
    untouched.values[5] = 7.0f;
    g_Reads = 0;
    simulator->Advance(1.0f / 60.0f, 1, nullptr);
    EXPECT_EQ(g_Reads, 0) << "no report, no clock";

    TPerfReport last;
    last.mode = 1;
    last.values[5] = 7.0f;
    simulator->Advance(1.0f / 60.0f, 1, &last);
    EXPECT_NEAR(last.values[0], 0.008f, 1e-6f);
    EXPECT_EQ(last.values[5], 0.0f);
    EXPECT_EQ(last.count, 0);

    TPerfReport mean;
    simulator->Advance(1.0f / 60.0f, 1, &mean);
    simulator->Advance(2.0f / 60.0f, 2, &mean);
    EXPECT_EQ(mean.count, 2);
    EXPECT_NEAR(mean.values[10], 0.024f, 1e-6f);
    EXPECT_NEAR(mean.values[0], 0.012f, 1e-6f) << "the mean of 8 ms and 16 ms";

    TPerfReport huge;
    g_Tick = 20000000000ull; // 20 s per read: a 160 s total is ignored
    simulator->Advance(1.0f / 60.0f, 1, &huge);
    EXPECT_EQ(huge.count, 0);
    EXPECT_EQ(huge.values[0], 0.0f);
}
