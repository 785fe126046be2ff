#include "physics/TPerfTimer.h"

#include <ctime>

uint64_t TPerfTimer::MonotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000ull + uint64_t(now.tv_nsec);
}

namespace {
// An empty call whose cost the calibration measures.
__attribute__((noinline)) void EmptyCall()
{
    asm volatile("");
}
} // namespace

void TPerfTimer::Calibrate()
{
    for (float& stage : stages) {
        stage = 0.0f;
    }
    overhead = 200;
    for (int i = 0; i < 20; ++i) {
        uint64_t before = clock();
        EmptyCall();
        uint64_t after = clock();
        int64_t difference = int64_t(after - before);
        if (difference >= 0 && difference < overhead) {
            overhead = difference;
        }
    }
    shift = 0; // a nanosecond frequency fits in 32 bits
    lastMark = clock();
}

void TPerfTimer::Reset()
{
    for (float& stage : stages) {
        stage = 0.0f;
    }
    lastMark = clock();
}

double TPerfTimer::Elapsed()
{
    uint64_t now = clock();
    uint64_t previous = lastMark;
    lastMark = now;
    int64_t ticks = now >= previous ? int64_t(now - previous) : 0;
    ticks -= overhead;
    if (ticks < 0) {
        ticks = 0;
    }
    return double(ticks) * 1e-9;
}

double TPerfTimer::Total() const
{
    double total = 0.0;
    for (float stage : stages) {
        total += double(stage);
    }
    return total;
}
