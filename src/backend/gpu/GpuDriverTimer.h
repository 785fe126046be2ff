#pragma once
// Wall-clock time spent in the GL-calling entry points of the device (draws,
// clears, uploads, present, read-back), summed while a profiler has it
// enabled. Off by default: one branch per entry point. Nested scopes count
// once. Turn it on or off only between frames.

#include <chrono>
#include <cstdint>

namespace backend {

class GpuDriverTimer {
public:
    GpuDriverTimer() : counting(enabled)
    {
        if (counting && depth++ == 0)
            start = Clock::now();
    }
    ~GpuDriverTimer()
    {
        if (counting && --depth == 0)
            nanoseconds += uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    }
    GpuDriverTimer(const GpuDriverTimer&) = delete;
    GpuDriverTimer& operator=(const GpuDriverTimer&) = delete;

    static inline bool enabled = false;
    static inline uint64_t nanoseconds = 0;

private:
    using Clock = std::chrono::steady_clock;
    static inline int depth = 0;
    bool counting;
    Clock::time_point start;
};

} // namespace backend
