#include "engine/platform/Timer.h"

#include "backend/clock/Clock.h"

void Timer::Init(bool usePerformance)
{
    frequency = usePerformance ? backend::QueryPerformanceFrequency() : 0;
    if (usePerformance && frequency > 0) {
        usePerformanceCounter = true;
        secondsPerTick = static_cast<float>(1.0 / static_cast<double>(frequency));
    } else {
        usePerformanceCounter = false;
        secondsPerTick = 0.001f;
    }
    last = now = GetTicks();
    deltaSeconds = 0.0f;
}

int64_t Timer::GetTicks() const
{
    if (usePerformanceCounter)
        return backend::QueryPerformanceCounter();
    return static_cast<int64_t>(backend::TimeGetTime());
}

float Timer::SecondsSinceLast(int64_t ticks) const
{
    int64_t difference = ticks - last;
    // The millisecond clock is 32 bits wide: measure across its wrap-around.
    if (!usePerformanceCounter)
        difference = static_cast<uint32_t>(difference);
    return static_cast<float>(difference) * secondsPerTick;
}

void Timer::Tick()
{
    now = GetTicks();
    deltaSeconds = SecondsSinceLast(now);
    last = now;
}

void Timer::Reset()
{
    last = now = GetTicks();
    deltaSeconds = 0.0f;
}

bool Timer::HasElapsed(float seconds) const
{
    return !(SecondsSinceLast(GetTicks()) < seconds);
}

void Timer::WaitUntilElapsed(float seconds) const
{
    while (SecondsSinceLast(GetTicks()) < seconds)
        backend::SleepMs(1);
}
