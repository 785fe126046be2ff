#pragma once
// The boost bar of the race display: a 121 x 14 frame with a red bar inside
// that grows to the right from a fixed left edge.

#include "engine/platform/VertexImage.h"

constexpr float BOOSTMETER_BAR_WIDTH = 113.0f;
constexpr float BOOSTMETER_BAR_HEIGHT = 6.0f;
constexpr uint32_t BOOSTMETER_BAR_COLOUR = 0xFFFF0000u;

class BoostMeter {
public:
    // False when either image fails.
    bool Load();
    // (x, y) is the frame's top-left corner; percent 0..100 sets the bar's length.
    void Render(float x, float y, float percent);
    bool Restore();
    void Release();

    VertexImage base;
    VertexImage bar;
};
