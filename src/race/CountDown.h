#pragma once
// The start count-down of a race: one second of nothing, then the digits five
// to one with a beep each second, then "go" with its own sound, then nothing.

#include "engine/platform/Stopwatch.h"
#include "engine/platform/VertexImage.h"

#include <cstdint>

class Sound;

constexpr int32_t COUNTDOWN_IMAGE_COUNT = 6;

class CountDown {
public:
    // The six images (go, one ... five), then both sounds; false at the first failure.
    bool Load();
    // Counter 6, not yet "go", and the first second starts now.
    void Reset();
    // Once per frame; moves one step each time a second has run out.
    void Update();
    // The picture of the current step, centred on the screen; none for 6 and -1.
    void Render();
    bool Restore();
    void Release();
    // Frees both sounds; safe to repeat.
    void Destroy();

    Sound* countDownSound = nullptr;
    Sound* goSound = nullptr;
    VertexImage images[COUNTDOWN_IMAGE_COUNT];
    Stopwatch stepTimer;
    int32_t counter = 6;
    bool go = false;
};
