#include "engine/platform/FormatTime.h"

#include <cstdio>

void FormatTime(std::string* out, uint32_t ms, int32_t fractionDigits, char separator1, char separator2)
{
    if (fractionDigits > 3)
        fractionDigits = 3;
    char text[32];
    int length = std::snprintf(text, sizeof text, "%02u%c%02u", ms / 60000, separator1, ms % 60000 / 1000);
    if (fractionDigits > 0) {
        uint32_t divisor = 1;
        for (int32_t i = fractionDigits; i < 3; ++i)
            divisor *= 10;
        std::snprintf(text + length, sizeof text - length, "%c%0*u", separator2, fractionDigits, ms % 1000 / divisor);
    }
    *out = text;
}
