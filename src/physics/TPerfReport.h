#pragma once
// The caller's record of where an advance spent its time.

#include <cstddef>
#include <cstdint>

struct TPerfReport {
    float values[20] = {}; // [0] result in seconds, [1..9] cleared each advance, [10] running sum
    int32_t mode = 0;      // 1: report the last advance's total; otherwise a running mean
    int32_t count = 0;     // totals in the running sum
};
static_assert(sizeof(TPerfReport) == 88, "TPerfReport is 88 bytes");
static_assert(offsetof(TPerfReport, mode) == 80 && offsetof(TPerfReport, count) == 84);
