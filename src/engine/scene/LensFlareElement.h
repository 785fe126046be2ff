#pragma once
// One flare sprite on the line from the sun through the centre of the view.

#include <cstdint>

struct LensFlareElement {
    // Flare texture 1..5; any other value uses texture 5.
    int32_t textureIndex = 5;
    // Half-size as a multiple of the flare's size.
    float size = 0.0f;
    float red = 0.0f, green = 0.0f, blue = 0.0f, alpha = 0.0f;
    // 0 = the centre of the view, -1 = the sun, +1 = its mirror image.
    float position = 0.0f;
};
static_assert(sizeof(LensFlareElement) == 28);
