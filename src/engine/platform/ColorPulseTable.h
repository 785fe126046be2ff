#pragma once
// The colours that oscillate between two values, for blinking menu text.

#include "engine/platform/ColorPulse.h"

#include <cstdint>
#include <vector>

class ColorPulseTable {
public:
    // colourA and colourB are A, R, G, B in 0..255; speeds in radians per update.
    // Returns the index of the new pulse, which starts at colour A.
    int Add(const float colourA[4], const float colourB[4], const float speeds[4]);
    // Advances every pulse by one step; called once per frame.
    void Update();
    // t in 0..1: 0 colour A, 0.5 the middle, 1 colour B. An unknown index does nothing.
    bool SetPhase(int index, float t);
    // A << 24 | R << 16 | G << 8 | B; 0 for an unknown index.
    uint32_t GetColor(int index) const;
    void Clear() { pulses.clear(); }

    std::vector<ColorPulse> pulses;
};

extern ColorPulseTable g_ColorPulses;
