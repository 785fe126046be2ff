#include "engine/platform/KeyRepeatTable.h"

#include "backend/clock/Clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class KeyRepeatTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend::UseManualClock(true);
        for (int id = 0; id < 8; ++id)
            table.AddKey(id, 300);
    }
    void TearDown() override { backend::UseManualClock(false); }

    // Holds `id` for `durationMs` in frames of `frameMs`; the times (from the
    // first frame) at which KeyDown answered true.
    std::vector<int> Hold(int id, int durationMs, int frameMs = 16)
    {
        std::vector<int> fired;
        for (int t = 0; t < durationMs; t += frameMs) {
            if (table.KeyDown(id))
                fired.push_back(t);
            backend::AdvanceManualClock(uint64_t(frameMs) * 1000);
        }
        return fired;
    }

    KeyRepeatTable table;
};

} // namespace

TEST_F(KeyRepeatTableTest, HeldKeyFiresAtOnceThenAtTheFirstFrameOfEachInterval)
{
    // 16 ms frames: the 300 ms run out on the 19th frame after each firing.
    EXPECT_EQ(Hold(0, 1000), (std::vector<int>{0, 304, 608, 912}));
    // With 10 ms frames exactly on the interval.
    table.KeyUp(0);
    EXPECT_EQ(Hold(0, 1000, 10), (std::vector<int>{0, 300, 600, 900}));
}

TEST_F(KeyRepeatTableTest, ReleaseAndPressAgainFiresAtOnce)
{
    EXPECT_TRUE(table.KeyDown(3));
    backend::AdvanceManualClock(200 * 1000);
    EXPECT_FALSE(table.KeyDown(3));
    table.KeyUp(3);
    backend::AdvanceManualClock(16 * 1000);
    EXPECT_TRUE(table.KeyDown(3));
    // The interval starts again from the new press.
    backend::AdvanceManualClock(290 * 1000);
    EXPECT_FALSE(table.KeyDown(3));
    backend::AdvanceManualClock(10 * 1000);
    EXPECT_TRUE(table.KeyDown(3));
}

TEST_F(KeyRepeatTableTest, TimeWhileReleasedOrOnOtherKeysDoesNotCount)
{
    EXPECT_TRUE(table.KeyDown(1));
    table.KeyUp(1);
    backend::AdvanceManualClock(5000 * 1000);
    EXPECT_TRUE(table.KeyDown(1));
    EXPECT_FALSE(table.KeyDown(1)); // the stall before the press is not counted
    // Another id has its own interval.
    EXPECT_TRUE(table.KeyDown(2));
    backend::AdvanceManualClock(300 * 1000);
    EXPECT_TRUE(table.KeyDown(1));
    EXPECT_TRUE(table.KeyDown(2));
}

TEST_F(KeyRepeatTableTest, UnknownIdsAreIgnoredAndExistingIdsKeepTheirInterval)
{
    EXPECT_FALSE(table.KeyDown(8));
    EXPECT_FALSE(table.KeyDown(-1));
    table.KeyUp(8);
    EXPECT_EQ(table.entries.size(), 8u);

    table.AddKey(0, 100);
    EXPECT_EQ(table.entries.at(0).stopwatch.startMs, 300u);
    EXPECT_EQ(Hold(0, 400), (std::vector<int>{0, 304}));

    table.AddKey(9, 50);
    EXPECT_EQ(Hold(9, 120, 10), (std::vector<int>{0, 50, 100}));

    table.Clear();
    EXPECT_FALSE(table.KeyDown(0));
}
