#pragma once
// The small picture the image seeds are encoded from, in whatever size a seed needs.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>

inline datagen::RgbaImage ImagePattern(uint32_t width, uint32_t height)
{
    datagen::RgbaImage image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.At(x, y) = (0x40u + x * 24) << 24 | (x * 32) << 16 | (y * 32) << 8 | ((x ^ y) * 16);
    return image;
}
