#pragma once
// Drawing on generated pictures: blended fills, gradients, anti-aliased discs,
// rings, lines and polygons, and value noise. Colours are 0xAARRGGBB.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace datagen {

struct Point2 {
    float x = 0.0f, y = 0.0f;
};

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

// Channel-wise mix: t = 0 gives `from`, 1 gives `to`.
uint32_t MixColor(uint32_t from, uint32_t to, float t);
// Same colour with its alpha scaled by `factor`.
uint32_t FadeColor(uint32_t color, float factor);

// Source-over blend of `color` at `coverage` (0..1) into one pixel; outside pixels are ignored.
void BlendPixel(RgbaImage& image, int x, int y, uint32_t color, float coverage = 1.0f);
void FillRect(RgbaImage& image, float x0, float y0, float x1, float y1, uint32_t color);
void FillVerticalGradient(RgbaImage& image, float x0, float y0, float x1, float y1, uint32_t top, uint32_t bottom);
void FillDisc(RgbaImage& image, float cx, float cy, float radius, uint32_t color);
void FillRing(RgbaImage& image, float cx, float cy, float innerRadius, float outerRadius, uint32_t color);
// A soft round glow: full colour in the middle, fading to nothing at `radius`.
void FillGlow(RgbaImage& image, float cx, float cy, float radius, uint32_t color, float exponent = 2.0f);
void DrawLine(RgbaImage& image, float x0, float y0, float x1, float y1, float width, uint32_t color);
// Even-odd filled polygon, 4 x 4 samples a pixel.
void FillPolygon(RgbaImage& image, const std::vector<Point2>& points, uint32_t color);

// Smooth noise in 0..1 of the given feature size in pixels, `octaves` layers.
float FractalNoise(float x, float y, float scale, int octaves, uint32_t seed);

// Replaces every pixel's alpha.
void SetAlpha(RgbaImage& image, uint8_t alpha);

} // namespace datagen
