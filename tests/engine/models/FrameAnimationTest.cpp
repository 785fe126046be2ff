#include "engine/models/FrameAnimation.h"
#include "datagen/writers/FrameAnimationWriter.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<float> Steps(FrameAnimation& table, const char* name, uint32_t loop, int count, float step = -1.0f)
{
    std::vector<float> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(table.Advance(name, loop, step));
    return frames;
}

bool LoadBytes(FrameAnimation& table, const std::vector<uint8_t>& bytes)
{
    g_LastError.clear();
    return table.LoadFromMemory(bytes.data(), bytes.size());
}

} // namespace

TEST(FrameAnimation, ForwardLoopWrapsAtTheSameFractionAndWithoutLoopStopsOnTheLastFrame)
{
    FrameAnimation table;
    table.AddAnimation("run", 0, 9, 0.5f);
    const std::vector<float> frames = Steps(table, "run", 1, 19);
    EXPECT_FLOAT_EQ(frames[0], 0.5f);
    EXPECT_FLOAT_EQ(frames[1], 1.0f);
    EXPECT_FLOAT_EQ(frames[17], 9.0f);
    EXPECT_FLOAT_EQ(frames[18], 0.5f);
    EXPECT_FLOAT_EQ(table.GetFrame("run"), 0.5f);
    const std::vector<float> once = Steps(table, "run", 0, 30);
    EXPECT_FLOAT_EQ(once[16], 9.0f);
    EXPECT_FLOAT_EQ(once.back(), 9.0f);
}

TEST(FrameAnimation, BackwardLoopCountsDownAndWraps)
{
    FrameAnimation table;
    table.AddAnimation("back", 9, 0, 1.0f);
    const std::vector<float> frames = Steps(table, "back", 1, 10);
    EXPECT_FLOAT_EQ(frames[0], 8.0f);
    EXPECT_FLOAT_EQ(frames[7], 1.0f);
    EXPECT_FLOAT_EQ(frames[8], 0.0f);
    EXPECT_FLOAT_EQ(frames[9], 8.0f);

    FrameAnimation clamped;
    clamped.AddAnimation("back", 9, 0, 4.0f);
    EXPECT_FLOAT_EQ(Steps(clamped, "back", 0, 5).back(), 0.0f);
}

TEST(FrameAnimation, StepScalesSpeedAndOtherNegativeStepsHold)
{
    FrameAnimation table;
    table.AddAnimation("walk", 0, 20, 0.5f);
    EXPECT_FLOAT_EQ(table.Advance("walk", 1, 2.0f), 1.0f);
    EXPECT_FLOAT_EQ(table.Advance("walk", 1, -3.0f), 1.0f);
    EXPECT_FLOAT_EQ(table.Advance("walk", 1, 0.0f), 1.0f);
    EXPECT_FLOAT_EQ(table.Advance("walk", 1, -1.0f), 1.5f);
}

TEST(FrameAnimation, SwitchingRestartsWithoutAStep)
{
    FrameAnimation table;
    table.AddAnimation("a", 0, 10, 1.0f);
    table.AddAnimation("b", 20, 30, 1.0f);
    Steps(table, "a", 1, 3);
    EXPECT_FLOAT_EQ(table.Advance("b", 1, -1.0f), 20.0f);
    EXPECT_FLOAT_EQ(table.Advance("b", 1, -1.0f), 21.0f);
    EXPECT_FLOAT_EQ(table.Advance("a", 1, -1.0f), 0.0f);
    EXPECT_FLOAT_EQ(table.Advance("a", 1, -1.0f), 1.0f);
    EXPECT_EQ(table.currentIndex, 0);
}

TEST(FrameAnimation, UnknownNamesGiveMinusOneFirstNameWinsAndLongNamesAreCut)
{
    FrameAnimation table;
    EXPECT_FLOAT_EQ(table.Advance("none", 1, -1.0f), -1.0f);
    table.AddAnimation("Run", 0, 10, 1.0f);
    table.AddAnimation("", 0, 10, 1.0f);
    table.AddAnimation(nullptr, 0, 10, 1.0f);
    EXPECT_EQ(table.animations.size(), 1u);
    EXPECT_FLOAT_EQ(table.Advance("run", 1, -1.0f), -1.0f);
    EXPECT_FLOAT_EQ(table.GetFrame("run"), -1.0f);
    EXPECT_FLOAT_EQ(table.GetFrame(nullptr), -1.0f);
    EXPECT_FLOAT_EQ(table.GetFrame("Run"), 0.0f);
    // The first of two equal names wins; long names are cut.
    FrameAnimation twins;
    twins.AddAnimation("dup", 0, 5, 1.0f);
    twins.AddAnimation("dup", 10, 15, 1.0f);
    EXPECT_FLOAT_EQ(twins.Advance("dup", 1, -1.0f), 1.0f);
    const std::string longName(100, 'n');
    twins.AddAnimation(longName.c_str(), 0, 1, 1.0f);
    EXPECT_EQ(std::string(twins.animations.back().name), std::string(63, 'n'));
}

TEST(FrameAnimation, EqualFirstAndLastStaysOnThatFrame)
{
    for (uint32_t loop : {0u, 1u}) {
        FrameAnimation table;
        table.AddAnimation("still", 4, 4, 0.75f);
        for (float frame : Steps(table, "still", loop, 50))
            EXPECT_FLOAT_EQ(frame, 4.0f);
    }
}

TEST(FrameAnimation, StepsLongerThanTheRangeStayInRange)
{
    FrameAnimation forward;
    forward.AddAnimation("f", 0, 10, 1.0f);
    EXPECT_FLOAT_EQ(forward.Advance("f", 1, 30.0f), 10.0f);
    EXPECT_FLOAT_EQ(forward.Advance("f", 1, 25.0f), 5.0f);
    for (float frame : Steps(forward, "f", 1, 40, 7.3f)) {
        EXPECT_GE(frame, 0.0f);
        EXPECT_LE(frame, 10.0f);
    }
    FrameAnimation backward;
    backward.AddAnimation("b", 10, 2, 1.0f);
    for (float frame : Steps(backward, "b", 1, 40, 23.7f)) {
        EXPECT_GE(frame, 2.0f);
        EXPECT_LE(frame, 10.0f);
    }
    // A negative speed never leaves the range at its start either.
    FrameAnimation reverse;
    reverse.AddAnimation("r", 0, 10, -3.0f);
    EXPECT_FLOAT_EQ(reverse.Advance("r", 1, -1.0f), 7.0f);
    EXPECT_FLOAT_EQ(reverse.Advance("r", 0, -1.0f), 4.0f);
    EXPECT_FLOAT_EQ(reverse.Advance("r", 0, 2.0f), 0.0f);
    FrameAnimation huge;
    huge.AddAnimation("h", 0, 10, 1e30f);
    for (float frame : Steps(huge, "h", 1, 5)) {
        EXPECT_GE(frame, 0.0f);
        EXPECT_LE(frame, 10.0f);
    }
}

TEST(FrameAnimationFile, RecordsLoadInFileOrder)
{
    FrameAnimation table;
    const std::vector<uint8_t> bytes = datagen::EncodeFrameAnimation({{"idle", 0, 9, 0.5f}, {"wave", 20, 10, 2.0f}});
    EXPECT_EQ(bytes.size(), 18u + 4 + (5 + 12) + (5 + 12));
    ASSERT_TRUE(LoadBytes(table, bytes));
    ASSERT_EQ(table.animations.size(), 2u);
    EXPECT_STREQ(table.animations[1].name, "wave");
    EXPECT_EQ(table.animations[1].first, 20);
    EXPECT_EQ(table.animations[1].last, 10);
    EXPECT_FLOAT_EQ(table.animations[1].speed, 2.0f);
    EXPECT_FLOAT_EQ(table.animations[1].current, 20.0f);
    EXPECT_FLOAT_EQ(table.GetFrame("idle"), 0.0f);
}

TEST(FrameAnimationFile, CountBelowOneLoadsAnEmptyTable)
{
    for (int32_t count : {0, -1, INT32_MIN}) {
        FrameAnimation table;
        table.AddAnimation("old", 0, 1, 1.0f);
        datagen::FrameAnimationFaults faults;
        faults.count = count;
        EXPECT_TRUE(LoadBytes(table, datagen::EncodeFrameAnimation({{"idle", 0, 9, 0.5f}}, faults)));
        EXPECT_TRUE(table.animations.empty());
        EXPECT_FLOAT_EQ(table.Advance("idle", 1, -1.0f), -1.0f);
    }
}

TEST(FrameAnimationFile, BrokenFilesAreRefusedAndLeaveTheTableEmpty)
{
    const std::vector<datagen::FrameAnimationRecord> records = {{"idle", 0, 9, 0.5f}, {"run", 10, 19, 1.0f}};
    std::vector<std::vector<uint8_t>> broken;
    datagen::FrameAnimationFaults faults;
    faults.badMagic = true;
    broken.push_back(datagen::EncodeFrameAnimation(records, faults));
    faults = {};
    faults.unterminatedName = true;
    broken.push_back(datagen::EncodeFrameAnimation(records, faults));
    faults = {};
    faults.count = INT32_MAX;
    broken.push_back(datagen::EncodeFrameAnimation(records, faults));
    faults = {};
    faults.count = 3;
    broken.push_back(datagen::EncodeFrameAnimation(records, faults));
    const std::vector<uint8_t> whole = datagen::EncodeFrameAnimation(records);
    for (size_t length = 0; length < whole.size(); ++length)
        broken.emplace_back(whole.begin(), whole.begin() + std::ptrdiff_t(length));

    for (const std::vector<uint8_t>& bytes : broken) {
        FrameAnimation table;
        EXPECT_FALSE(LoadBytes(table, bytes)) << bytes.size();
        EXPECT_EQ(g_LastError, "Error loading animation data: File corrupted!");
        EXPECT_TRUE(table.animations.empty());
    }
}
