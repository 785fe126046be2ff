#include "engine/platform/Stopwatch.h"

void Stopwatch::Init(bool countsDown, bool usePerformance, uint32_t min, uint32_t sec, uint32_t ms)
{
    Timer::Init(usePerformance);
    countdown = countsDown;
    expired = false;
    running = false;
    SetTime(min, sec, ms);
}

void Stopwatch::SetTime(uint32_t min, uint32_t sec, uint32_t ms)
{
    startMs = currentMs = (min * 60 + sec) * 1000 + ms;
    Split();
}

void Stopwatch::Start()
{
    if (running)
        return;
    Timer::Reset();
    running = true;
}

void Stopwatch::Stop()
{
    running = false;
}

void Stopwatch::Reset()
{
    currentMs = startMs;
    Split();
    expired = false;
    Timer::Reset();
}

void Stopwatch::Resync()
{
    Timer::Reset();
}

void Stopwatch::Update()
{
    if (!running || expired)
        return;
    Tick();
    float rounded = deltaSeconds * 1000.0f + 0.5f;
    // A clock that went backwards counts as no time.
    uint32_t elapsed = rounded > 0.0f ? static_cast<uint32_t>(rounded) : 0;
    if (countdown) {
        if (currentMs <= elapsed) {
            currentMs = 0;
            expired = true;
        } else {
            currentMs -= elapsed;
        }
    } else {
        currentMs += elapsed;
    }
    Split();
}

void Stopwatch::Split()
{
    minutes = currentMs / 60000;
    seconds = currentMs % 60000 / 1000;
    milliseconds = currentMs % 1000;
}
