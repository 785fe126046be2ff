#pragma once
// A frame timer on the performance counter or the millisecond clock that keeps
// the last delta in seconds.

#include <cstdint>

class Timer {
public:
    // Performance mode when asked for and the counter has a frequency,
    // otherwise the millisecond clock. The delta starts at 0.
    void Init(bool usePerformanceCounter);
    // Tick value of the current mode.
    int64_t GetTicks() const;
    // Measures the time since the last Tick or Reset into deltaSeconds.
    void Tick();
    // Starts a new measurement; deltaSeconds becomes 0.
    void Reset();
    // True when at least `seconds` have passed since the last Tick or Reset.
    bool HasElapsed(float seconds) const;
    // Sleeps in 1 ms steps until `seconds` have passed since the last Tick or Reset.
    void WaitUntilElapsed(float seconds) const;

    int64_t last = 0;
    int64_t now = 0;
    int64_t frequency = 0;
    bool usePerformanceCounter = false;
    float deltaSeconds = 0.0f;
    float secondsPerTick = 0.001f;

private:
    // Seconds from `last` to `ticks`; the millisecond clock may wrap around.
    float SecondsSinceLast(int64_t ticks) const;
};
