#include "engine/platform/Stopwatch.h"
#include "engine/platform/ClampValue.h"
#include "engine/platform/Timer.h"

#include "backend/clock/Clock.h"

#include <gtest/gtest.h>

namespace {

class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override { backend::UseManualClock(true); }
    void TearDown() override { backend::UseManualClock(false); }
    static void AdvanceMs(double ms) { backend::AdvanceManualClock(static_cast<uint64_t>(ms * 1000.0 + 0.5)); }
};

using TimerTest = ManualClockTest;
using StopwatchTest = ManualClockTest;

} // namespace

TEST_F(TimerTest, TickMeasuresDeltaOnBothClocks)
{
    for (bool performance : {false, true}) {
        Timer timer;
        timer.Init(performance);
        EXPECT_EQ(timer.usePerformanceCounter, performance);
        EXPECT_EQ(timer.deltaSeconds, 0.0f);
        AdvanceMs(250);
        timer.Tick();
        EXPECT_NEAR(timer.deltaSeconds, 0.25f, 1e-5f);
        EXPECT_EQ(timer.last, timer.now);
        timer.Tick();
        EXPECT_EQ(timer.deltaSeconds, 0.0f);
        AdvanceMs(40);
        timer.Reset();
        EXPECT_EQ(timer.deltaSeconds, 0.0f);
        AdvanceMs(10);
        timer.Tick();
        EXPECT_NEAR(timer.deltaSeconds, 0.01f, 1e-5f);
    }
}

TEST_F(TimerTest, HasElapsedAndWaitUntilElapsedUseLastMark)
{
    Timer timer;
    timer.Init(false);
    AdvanceMs(15);
    EXPECT_FALSE(timer.HasElapsed(0.016f));
    AdvanceMs(1);
    EXPECT_TRUE(timer.HasElapsed(0.016f));
    EXPECT_EQ(timer.deltaSeconds, 0.0f);

    timer.Tick();
    uint32_t before = backend::TimeGetTime();
    AdvanceMs(3);
    timer.WaitUntilElapsed(0.016f); // sleeping moves the manual clock
    EXPECT_EQ(backend::TimeGetTime() - before, 16u);
}

TEST_F(TimerTest, MillisecondClockWrapGivesShortDelta)
{
    Timer timer;
    timer.Init(false);
    // Move the clock to 8 ms before its 32-bit wrap.
    uint32_t toWrap = 0xFFFFFFF8u - backend::TimeGetTime();
    backend::AdvanceManualClock(uint64_t(toWrap) * 1000);
    ASSERT_EQ(backend::TimeGetTime(), 0xFFFFFFF8u);
    timer.Reset();
    AdvanceMs(16);
    timer.Tick();
    EXPECT_NEAR(timer.deltaSeconds, 0.016f, 1e-6f);
}

TEST_F(StopwatchTest, CountdownExpiresOnThirdUpdateOfRoundedDeltas)
{
    for (bool performance : {false, true}) {
        Stopwatch watch;
        watch.Init(true, performance, 0, 0, 300);
        watch.Start();
        AdvanceMs(100.4);
        watch.Update();
        AdvanceMs(100.4);
        watch.Update();
        EXPECT_FALSE(watch.expired);
        EXPECT_EQ(watch.currentMs, 100u);
        AdvanceMs(100.4);
        watch.Update();
        EXPECT_TRUE(watch.expired);
        EXPECT_EQ(watch.currentMs, 0u);
        EXPECT_EQ(watch.milliseconds, 0u);

        // Expired stays at 0 until Reset, and Reset keeps it running.
        AdvanceMs(50);
        watch.Update();
        EXPECT_EQ(watch.currentMs, 0u);
        watch.Reset();
        EXPECT_FALSE(watch.expired);
        EXPECT_TRUE(watch.running);
        EXPECT_EQ(watch.currentMs, 300u);
    }
}

// Each frame counts its milliseconds rounded to the nearest, so frames of
// 16.4 and 16.6 ms in turn (16 and 17) add up to the time that passed.
TEST_F(StopwatchTest, FramesOfFractionalMillisecondsAddUpToTheTimePassed)
{
    Stopwatch watch;
    watch.Init(false, true, 0, 0, 0);
    watch.Start();
    for (int i = 0; i < 100; ++i) {
        AdvanceMs(i % 2 == 0 ? 16.4 : 16.6);
        watch.Update();
    }
    EXPECT_EQ(watch.currentMs, 1650u);
}

TEST_F(StopwatchTest, CountUpSplitsIntoMinutesSecondsAndMilliseconds)
{
    Stopwatch watch;
    watch.Init(false, false, 1, 59, 999);
    EXPECT_EQ(watch.startMs, 119999u);
    EXPECT_EQ(watch.minutes, 1u);
    EXPECT_EQ(watch.seconds, 59u);
    EXPECT_EQ(watch.milliseconds, 999u);
    watch.Start();
    AdvanceMs(1);
    watch.Update();
    EXPECT_EQ(watch.currentMs, 120000u);
    EXPECT_EQ(watch.minutes, 2u);
    EXPECT_EQ(watch.seconds, 0u);
    EXPECT_EQ(watch.milliseconds, 0u);
}

TEST_F(StopwatchTest, StoppedOrExpiredUpdateTouchesNothing)
{
    Stopwatch watch;
    watch.Init(true, false, 0, 5, 0);
    int64_t mark = watch.last;
    AdvanceMs(700);
    watch.Update(); // never started
    EXPECT_EQ(watch.currentMs, 5000u);
    EXPECT_EQ(watch.last, mark);

    watch.Start();
    watch.expired = true;
    mark = watch.last;
    AdvanceMs(700);
    watch.Update();
    EXPECT_EQ(watch.currentMs, 5000u);
    EXPECT_EQ(watch.last, mark);

    watch.expired = false;
    AdvanceMs(300);
    watch.Stop();
    watch.Update();
    EXPECT_EQ(watch.currentMs, 5000u);
}

TEST_F(StopwatchTest, StartOnRunningStopwatchKeepsItsTimer)
{
    Stopwatch watch;
    watch.Init(false, false, 0, 0, 0);
    watch.Start();
    AdvanceMs(400);
    watch.Start();
    AdvanceMs(100);
    watch.Update();
    EXPECT_EQ(watch.currentMs, 500u);

    // A stopped one restarts from now.
    watch.Stop();
    AdvanceMs(1000);
    watch.Start();
    AdvanceMs(20);
    watch.Update();
    EXPECT_EQ(watch.currentMs, 520u);
}

TEST_F(StopwatchTest, ResyncDropsTheStall)
{
    Stopwatch watch;
    watch.Init(false, false, 0, 0, 0);
    watch.Start();
    AdvanceMs(16);
    watch.Update();
    AdvanceMs(2000);
    watch.Resync();
    EXPECT_TRUE(watch.running);
    EXPECT_EQ(watch.currentMs, 16u);
    AdvanceMs(16);
    watch.Update();
    EXPECT_EQ(watch.currentMs, 32u);
}

TEST(ClampValue, ReportsWhichBoundWasApplied)
{
    float v = 1.5f;
    EXPECT_EQ(ClampValue(v, 0.0f, 1.0f), 2);
    EXPECT_EQ(v, 1.0f);
    v = -0.5f;
    EXPECT_EQ(ClampValue(v, 0.0f, 1.0f), 1);
    EXPECT_EQ(v, 0.0f);
    v = 1.0f;
    EXPECT_EQ(ClampValue(v, 0.0f, 1.0f), 0);
    v = 0.0f;
    EXPECT_EQ(ClampValue(v, 0.0f, 1.0f), 0);
    EXPECT_EQ(v, 0.0f);
}
