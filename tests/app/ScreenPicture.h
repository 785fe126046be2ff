#pragma once
// The game's last frame read back and looked at in the 800 x 600 units its
// screens are laid out in, whatever the size of the display mode.

#include "backend/gpu/GpuTypes.h"

#include <cstdint>
#include <vector>

struct ScreenPicture {
    // The render device's current target; empty when it cannot be read.
    static ScreenPicture Read();

    // Pixels passing `test` in [left, right) x [top, bottom) of the 800 x 600
    // screen, counted as pixels of that screen: a smaller picture's count is
    // scaled up by the ratio of the areas. Only pixels wholly inside the
    // rectangle are looked at.
    double Count(int left, int top, int right, int bottom, bool (*test)(backend::GpuColor)) const;

    uint32_t width = 0, height = 0;
    std::vector<backend::GpuColor> pixels;
};

// The green of the highlighted row of a times table.
bool IsGreen(backend::GpuColor c);
