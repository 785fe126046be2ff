#include "engine/platform/FormatTime.h"

#include <gtest/gtest.h>

TEST(FormatTime, FormsMinutesSecondsAndFraction)
{
    std::string text;
    FormatTime(&text, 83456, 2, ':', '.');
    EXPECT_EQ(text, "01:23.45");
    FormatTime(&text, 59999, 3, ':', '.');
    EXPECT_EQ(text, "00:59.999");
    FormatTime(&text, 59999, 0, ':', '.');
    EXPECT_EQ(text, "00:59");
    FormatTime(&text, 65120, 3, '.', ',');
    EXPECT_EQ(text, "01.05,120");
    FormatTime(&text, 65120, 5, '.', ',');
    EXPECT_EQ(text, "01.05,120");
    FormatTime(&text, 65009, 1, ':', '.');
    EXPECT_EQ(text, "01:05.0");
    FormatTime(&text, 65009, -2, ':', '.');
    EXPECT_EQ(text, "01:05");
    FormatTime(&text, 0, 3, ':', '.');
    EXPECT_EQ(text, "00:00.000");
}

TEST(FormatTime, LongTimesWidenTheMinutes)
{
    std::string text = "old";
    FormatTime(&text, 100 * 60000 + 7005, 2, ':', '.');
    EXPECT_EQ(text, "100:07.00");
    FormatTime(&text, UINT32_MAX, 3, ':', '.');
    EXPECT_EQ(text, "71582:47.295");
}
