#pragma once
// One named frame range of a FrameAnimation, with its fractional current frame.

#include <cstdint>

struct Animation {
    int32_t first = 0;
    int32_t last = 0;
    float speed = 0.0f;
    float current = 0.0f;
    float firstFrame = 0.0f;
    float lastFrame = 0.0f;
    char name[64] = {};
};
