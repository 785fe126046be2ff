#pragma once
// The maker's logo on a white screen: fades in, holds and fades out over a
// six-second count-down. Lives only while the logo shows.

#include "engine/platform/Stopwatch.h"
#include "engine/platform/VertexImage.h"

class LogoScreen {
public:
    // Loads the picture and sets the count-down (not running).
    bool Load();
    // Once per logic step.
    void Update();
    // Once per frame, onto a frame cleared to white.
    void Render();
    void Release();
    // Restores the picture and rebases the count-down, so a device reset does
    // not cut the logo short.
    bool Restore();

    VertexImage logo;
    Stopwatch timer;
    int alpha = 0;
    // 0 fade in, 1 hold, 2 fade out.
    int fadePhase = 0;
};
