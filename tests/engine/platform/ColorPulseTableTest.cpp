#include "engine/platform/ColorPulseTable.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// The game's highlight pulse: white whose alpha swings from 255 to 0 and back.
int AddHighlight(ColorPulseTable& table)
{
    const float a[4] = {255, 255, 255, 255};
    const float b[4] = {0, 255, 255, 255};
    const float speeds[4] = {0.1f, 0, 0, 0};
    return table.Add(a, b, speeds);
}

} // namespace

TEST(ColorPulseTable, AlphaPulseHasPeriodOfTwoPiOverSpeed)
{
    ColorPulseTable table;
    const int index = AddHighlight(table);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(table.GetColor(index), 0xFFFFFFFFu);
    for (int i = 0; i < 31; ++i)
        table.Update();
    EXPECT_LT(table.pulses[0].value[0], 1.0f);
    for (int i = 31; i < 63; ++i)
        table.Update();
    EXPECT_GT(table.pulses[0].value[0], 254.0f);
    // The constant channels never move and the phase stays in [0, 2 pi).
    EXPECT_EQ(table.pulses[0].value[1], 255.0f);
    for (int i = 0; i < 1000; ++i) {
        table.Update();
        ASSERT_GE(table.pulses[0].phase[0], 0.0f);
        ASSERT_LT(table.pulses[0].phase[0], 6.2831855f);
    }
}

TEST(ColorPulseTable, AddClampsChannelsAndSecondPulseGetsNextIndex)
{
    ColorPulseTable table;
    AddHighlight(table);
    const float a[4] = {-20, 300, 0, 10};
    const float b[4] = {255, 255, 0, 10};
    const float speeds[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(table.Add(a, b, speeds), 1);
    const ColorPulse& pulse = table.pulses[1];
    EXPECT_EQ(pulse.value[0], 0.0f);
    EXPECT_EQ(pulse.value[1], 255.0f);
    EXPECT_TRUE(pulse.constant[1]);
    EXPECT_TRUE(pulse.constant[2]);
    EXPECT_FALSE(pulse.constant[0]);
    EXPECT_FLOAT_EQ(pulse.mid[0], 127.5f);
    EXPECT_FLOAT_EQ(pulse.amplitude[0], 127.5f);
    EXPECT_EQ(table.GetColor(1), 0x00FF000Au);
}

TEST(ColorPulseTable, SetPhaseGivesEndsAndMiddle)
{
    ColorPulseTable table;
    AddHighlight(table);
    EXPECT_TRUE(table.SetPhase(0, 0.0f));
    EXPECT_NEAR(table.pulses[0].value[0], 255.0f, 1e-3f);
    EXPECT_TRUE(table.SetPhase(0, 1.0f));
    EXPECT_NEAR(table.pulses[0].value[0], 0.0f, 1e-3f);
    EXPECT_EQ(table.GetColor(0), 0x00FFFFFFu);
    EXPECT_TRUE(table.SetPhase(0, 0.5f));
    EXPECT_NEAR(table.pulses[0].value[0], 127.5f, 1e-3f);
    EXPECT_EQ(table.GetColor(0), 0x7FFFFFFFu); // channels are truncated
    // Out of range t is clamped.
    table.SetPhase(0, 7.0f);
    EXPECT_NEAR(table.pulses[0].value[0], 0.0f, 1e-3f);
}

TEST(ColorPulseTable, UnknownIndexIsHarmless)
{
    ColorPulseTable table;
    EXPECT_EQ(table.GetColor(0), 0u);
    EXPECT_EQ(table.GetColor(-1), 0u);
    EXPECT_TRUE(table.SetPhase(3, 0.5f));
    AddHighlight(table);
    EXPECT_EQ(table.GetColor(1), 0u);
}

TEST(ColorPulseTable, NonFiniteOrHugeSpeedDoesNotHang)
{
    ColorPulseTable table;
    const float a[4] = {0, 0, 0, 0};
    const float b[4] = {255, 255, 255, 255};
    const float speeds[4] = {1e30f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                             0.1f};
    table.Add(a, b, speeds);
    table.Update();
    table.Update();
    EXPECT_GE(table.pulses[0].phase[0], 0.0f);
    EXPECT_LT(table.pulses[0].phase[0], 6.2831855f);
    EXPECT_GT(table.pulses[0].value[3], 0.0f);
}
