#pragma once
// A minutes, seconds and milliseconds clock that counts up, or down to zero,
// measured with its own Timer.

#include "engine/platform/Timer.h"

#include <cstdint>
#include <string>

class Stopwatch : public Timer {
public:
    // Stopped and not expired, set to the given time.
    void Init(bool countdown, bool usePerformanceCounter, uint32_t minutes, uint32_t seconds, uint32_t milliseconds);
    // Sets both the shown time and the time Reset returns to.
    void SetTime(uint32_t minutes, uint32_t seconds, uint32_t milliseconds);
    // Starts counting from now; a running stopwatch is left alone.
    void Start();
    void Stop();
    // Back to the start time, not expired; running is unchanged.
    void Reset();
    // Drops the time since the last Update without touching the shown time.
    void Resync();
    // Once per frame: counts the whole milliseconds since the last Update.
    void Update();

    uint32_t currentMs = 0;
    uint32_t startMs = 0;
    uint32_t minutes = 0;
    uint32_t seconds = 0;
    uint32_t milliseconds = 0;
    std::string text;
    bool running = false;
    bool expired = false;
    bool countdown = false;

private:
    void Split();
};
