#pragma once
// A rider for tests that holds Up and steers toward the centre of the road cell
// after next (the last cell when off the road), pressing the keys a player
// would: it brakes with Down before bends too sharp for its speed, leans no
// farther than the moped clears the road, and after 3 s nearly standing with
// the throttle open asks to be put back on the road with R.

#include <cstdint>

class Moped;

class Autopilot {
public:
    // Writes this frame's keys into the input system's key bytes; the other keys are left alone.
    void Press(const Moped& moped, uint32_t frameMs = 16);

private:
    uint32_t slowMs = 0;
    float lastAngle = 0.0f;
    bool steered = false;
};
