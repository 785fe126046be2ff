#include "engine/platform/FormatTime.h"

#include <gtest/gtest.h>

TEST(FormatTime, FormsMinutesSecondsAndFractionAndWidensLongMinutes)
{
    struct Case {
        uint32_t ms;
        int digits;
        char minuteMark, fractionMark;
        const char* text;
    };
    for (const Case& c :
         {Case{83456, 2, ':', '.', "01:23.45"}, Case{59999, 3, ':', '.', "00:59.999"},
          Case{59999, 0, ':', '.', "00:59"}, Case{65120, 3, '.', ',', "01.05,120"},
          Case{65120, 5, '.', ',', "01.05,120"}, Case{65009, 1, ':', '.', "01:05.0"},
          Case{65009, -2, ':', '.', "01:05"}, Case{0, 3, ':', '.', "00:00.000"},
          Case{100 * 60000 + 7005, 2, ':', '.', "100:07.00"}, Case{UINT32_MAX, 3, ':', '.', "71582:47.295"}}) {
        std::string text = "old";
        FormatTime(&text, c.ms, c.digits, c.minuteMark, c.fractionMark);
        EXPECT_EQ(text, c.text) << c.ms << " with " << c.digits << " digits";
    }
}
