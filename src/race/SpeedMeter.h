#pragma once
// The speed dial in the bottom right of the race display: a 160 x 160 dial and
// a needle of the same size turned about the dial's centre.

#include "engine/platform/VertexImage.h"

// Needle turn in radians per unit of the shown value, clockwise on screen.
constexpr float SPEEDMETER_RADIANS_PER_UNIT = 0.144f;

class SpeedMeter {
public:
    // False when either image fails.
    bool Load();
    // (x, y) is the dial's centre on the virtual 800 x 600 screen.
    void Render(float x, float y, float value);
    bool Restore();
    void Release();

    VertexImage dial;
    VertexImage needle;
};
