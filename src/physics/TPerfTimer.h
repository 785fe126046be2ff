#pragma once
// Stage timing of an advance, on the monotonic clock in 64-bit nanoseconds.

#include <cstdint>

constexpr int PERF_STAGE_COUNT = 9;

class TPerfTimer {
public:
    typedef uint64_t (*ClockFunction)(); // nanoseconds

    static uint64_t MonotonicNow();

    void Calibrate();
    void Reset();
    // Seconds since the last mark, less the calibrated overhead and never below 0; the clock becomes the mark.
    double Elapsed();
    void Mark(int slot) { stages[slot] += float(Elapsed()); }
    double Total() const;

    float stages[PERF_STAGE_COUNT] = {};
    int32_t shift = 0;
    int64_t overhead = 0; // nanoseconds
    uint64_t lastMark = 0;
    ClockFunction clock = &MonotonicNow;
};
