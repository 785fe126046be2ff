#pragma once
// A picture in memory for the writers: 0xAARRGGBB per pixel, row 0 at the top.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

struct RgbaImage {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;

    RgbaImage() = default;
    RgbaImage(uint32_t w, uint32_t h, uint32_t fill = 0xFF000000u) : width(w), height(h), pixels(size_t(w) * h, fill) {}

    uint32_t& At(uint32_t x, uint32_t y) { return pixels[size_t(y) * width + x]; }
    uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t(y) * width + x]; }
};

} // namespace datagen
