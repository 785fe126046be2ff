#pragma once
// The system clocks the game reads: a millisecond clock, a high-resolution
// counter and a sleep. Tests switch to a manual clock that only moves when told
// (or when the program sleeps), so that timed behaviour repeats exactly.

#include <cstdint>

namespace backend {

// Milliseconds since the clock started; never 0, so that 0 can mean "never".
uint32_t TimeGetTime();

// A counter with QueryPerformanceFrequency() ticks per second.
int64_t QueryPerformanceCounter();
int64_t QueryPerformanceFrequency();

// Sleeps at least `milliseconds`; on the manual clock it advances the clock instead.
void SleepMs(uint32_t milliseconds);

// Manual clock for tests: while enabled, time stands still until advanced.
void UseManualClock(bool enabled);
bool IsManualClock();
void AdvanceManualClock(uint64_t microseconds);

} // namespace backend
