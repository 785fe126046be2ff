#include "backend/clock/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace backend {

namespace {

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point g_ClockStart = SteadyClock::now();
std::atomic<bool> g_ManualClock{false};
std::atomic<uint64_t> g_ManualMicroseconds{0};

// Microseconds since start, on whichever clock is in use. The millisecond clock
// starts at 1 so that it is never 0.
uint64_t NowMicroseconds()
{
    if (g_ManualClock.load(std::memory_order_relaxed))
        return g_ManualMicroseconds.load(std::memory_order_relaxed);
    auto elapsed = SteadyClock::now() - g_ClockStart;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

} // namespace

uint32_t TimeGetTime()
{
    return static_cast<uint32_t>(NowMicroseconds() / 1000 + 1);
}

int64_t QueryPerformanceCounter()
{
    return static_cast<int64_t>(NowMicroseconds());
}

int64_t QueryPerformanceFrequency()
{
    return 1000000;
}

void SleepMs(uint32_t milliseconds)
{
    if (g_ManualClock.load(std::memory_order_relaxed)) {
        AdvanceManualClock(uint64_t(milliseconds) * 1000);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void UseManualClock(bool enabled)
{
    // The manual clock starts on a whole millisecond so that steps add up exactly.
    if (enabled && !g_ManualClock.load())
        g_ManualMicroseconds.store(NowMicroseconds() / 1000 * 1000);
    g_ManualClock.store(enabled);
}

bool IsManualClock()
{
    return g_ManualClock.load();
}

void AdvanceManualClock(uint64_t microseconds)
{
    g_ManualMicroseconds.fetch_add(microseconds);
}

} // namespace backend
