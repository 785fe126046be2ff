#pragma once
// One colour that swings between two values along a sine, channel by channel.

// Channels in the order A, R, G, B.
struct ColorPulse {
    float mid[4] = {};
    float amplitude[4] = {};
    float phase[4] = {};
    float speed[4] = {};
    float value[4] = {};
    bool constant[4] = {};
};
