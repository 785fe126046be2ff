#include "datagen/Painter.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

float Channel(uint32_t color, int shift)
{
    return static_cast<float>((color >> shift) & 0xFF);
}

uint32_t ToByte(float v)
{
    return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Coverage of a pixel centre at signed distance `d` from an edge (inside negative).
float EdgeCoverage(float d)
{
    return std::clamp(0.5f - d, 0.0f, 1.0f);
}

uint32_t Hash(int x, int y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B1u ^ static_cast<uint32_t>(x) * 0x85EBCA77u ^ static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Lattice(int x, int y, uint32_t seed)
{
    return static_cast<float>(Hash(x, y, seed) & 0xFFFF) / 65535.0f;
}

float SmoothNoise(float x, float y, uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float a = Lattice(ix, iy, seed), b = Lattice(ix + 1, iy, seed);
    const float c = Lattice(ix, iy + 1, seed), d = Lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

struct Bounds {
    int x0, y0, x1, y1;
};

Bounds Clip(const RgbaImage& image, float x0, float y0, float x1, float y1)
{
    return {std::max(0, static_cast<int>(std::floor(x0))), std::max(0, static_cast<int>(std::floor(y0))),
            std::min(static_cast<int>(image.width) - 1, static_cast<int>(std::ceil(x1))),
            std::min(static_cast<int>(image.height) - 1, static_cast<int>(std::ceil(y1)))};
}

} // namespace

uint32_t MixColor(uint32_t from, uint32_t to, float t)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float a = Channel(from, shift), b = Channel(to, shift);
        out |= ToByte(a + (b - a) * t) << shift;
    }
    return out;
}

uint32_t FadeColor(uint32_t color, float factor)
{
    return (ToByte(Channel(color, 24) * factor) << 24) | (color & 0x00FFFFFFu);
}

void BlendPixel(RgbaImage& image, int x, int y, uint32_t color, float coverage)
{
    if (x < 0 || y < 0 || x >= static_cast<int>(image.width) || y >= static_cast<int>(image.height))
        return;
    const float a = Channel(color, 24) / 255.0f * std::clamp(coverage, 0.0f, 1.0f);
    if (a <= 0.0f)
        return;
    uint32_t& dst = image.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    const float da = Channel(dst, 24) / 255.0f;
    const float outA = a + da * (1.0f - a);
    uint32_t result = ToByte(outA * 255.0f) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const float s = Channel(color, shift), d = Channel(dst, shift);
        const float v = outA > 0.0f ? (s * a + d * da * (1.0f - a)) / outA : 0.0f;
        result |= ToByte(v) << shift;
    }
    dst = result;
}

void FillRect(RgbaImage& image, float x0, float y0, float x1, float y1, uint32_t color)
{
    const Bounds b = Clip(image, x0, y0, x1, y1);
    for (int y = b.y0; y <= b.y1; ++y)
        for (int x = b.x0; x <= b.x1; ++x) {
            const float cx = x + 0.5f, cy = y + 0.5f;
            const float cover = std::clamp(std::min(cx - x0, x1 - cx) + 0.5f, 0.0f, 1.0f) *
                                std::clamp(std::min(cy - y0, y1 - cy) + 0.5f, 0.0f, 1.0f);
            BlendPixel(image, x, y, color, cover);
        }
}

void FillVerticalGradient(RgbaImage& image, float x0, float y0, float x1, float y1, uint32_t top, uint32_t bottom)
{
    const Bounds b = Clip(image, x0, y0, x1 - 1, y1 - 1);
    for (int y = b.y0; y <= b.y1; ++y) {
        const float t = y1 > y0 ? std::clamp((y + 0.5f - y0) / (y1 - y0), 0.0f, 1.0f) : 0.0f;
        const uint32_t color = MixColor(top, bottom, t);
        for (int x = b.x0; x <= b.x1; ++x)
            BlendPixel(image, x, y, color);
    }
}

void FillDisc(RgbaImage& image, float cx, float cy, float radius, uint32_t color)
{
    FillRing(image, cx, cy, -1.0f, radius, color);
}

void FillRing(RgbaImage& image, float cx, float cy, float innerRadius, float outerRadius, uint32_t color)
{
    const Bounds b =
        Clip(image, cx - outerRadius - 1, cy - outerRadius - 1, cx + outerRadius + 1, cy + outerRadius + 1);
    for (int y = b.y0; y <= b.y1; ++y)
        for (int x = b.x0; x <= b.x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float cover = EdgeCoverage(d - outerRadius);
            if (innerRadius >= 0.0f)
                cover = std::min(cover, EdgeCoverage(innerRadius - d));
            if (cover > 0.0f)
                BlendPixel(image, x, y, color, cover);
        }
}

void FillGlow(RgbaImage& image, float cx, float cy, float radius, uint32_t color, float exponent)
{
    const Bounds b = Clip(image, cx - radius, cy - radius, cx + radius, cy + radius);
    for (int y = b.y0; y <= b.y1; ++y)
        for (int x = b.x0; x <= b.x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
            if (d < 1.0f)
                BlendPixel(image, x, y, color, std::pow(1.0f - d, exponent));
        }
}

void DrawLine(RgbaImage& image, float x0, float y0, float x1, float y1, float width, uint32_t color)
{
    const float half = width * 0.5f;
    const Bounds b = Clip(image, std::min(x0, x1) - half - 1, std::min(y0, y1) - half - 1, std::max(x0, x1) + half + 1,
                          std::max(y0, y1) + half + 1);
    const float dx = x1 - x0, dy = y1 - y0;
    const float lengthSq = dx * dx + dy * dy;
    for (int y = b.y0; y <= b.y1; ++y)
        for (int x = b.x0; x <= b.x1; ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            const float t = lengthSq > 0.0f ? std::clamp((px * dx + py * dy) / lengthSq, 0.0f, 1.0f) : 0.0f;
            const float d = std::hypot(px - t * dx, py - t * dy);
            const float cover = EdgeCoverage(d - half);
            if (cover > 0.0f)
                BlendPixel(image, x, y, color, cover);
        }
}

void FillPolygon(RgbaImage& image, const std::vector<Point2>& points, uint32_t color)
{
    if (points.size() < 3)
        return;
    float minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const Point2& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const Bounds b = Clip(image, minX, minY, maxX, maxY);
    constexpr int SAMPLES = 4;
    for (int y = b.y0; y <= b.y1; ++y)
        for (int x = b.x0; x <= b.x1; ++x) {
            int inside = 0;
            for (int sy = 0; sy < SAMPLES; ++sy)
                for (int sx = 0; sx < SAMPLES; ++sx) {
                    const float px = x + (sx + 0.5f) / SAMPLES, py = y + (sy + 0.5f) / SAMPLES;
                    bool in = false;
                    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
                        const Point2& a = points[i];
                        const Point2& c = points[j];
                        if ((a.y > py) != (c.y > py) && px < (c.x - a.x) * (py - a.y) / (c.y - a.y) + a.x)
                            in = !in;
                    }
                    inside += in ? 1 : 0;
                }
            if (inside)
                BlendPixel(image, x, y, color, static_cast<float>(inside) / (SAMPLES * SAMPLES));
        }
}

float FractalNoise(float x, float y, float scale, int octaves, uint32_t seed)
{
    float sum = 0.0f, weight = 0.0f, amplitude = 1.0f, frequency = 1.0f / scale;
    for (int i = 0; i < octaves; ++i) {
        sum += SmoothNoise(x * frequency, y * frequency, seed + static_cast<uint32_t>(i) * 101u) * amplitude;
        weight += amplitude;
        amplitude *= 0.5f;
        frequency *= 2.0f;
    }
    return weight > 0.0f ? sum / weight : 0.0f;
}

void SetAlpha(RgbaImage& image, uint8_t alpha)
{
    for (uint32_t& p : image.pixels)
        p = (p & 0x00FFFFFFu) | (uint32_t(alpha) << 24);
}

} // namespace datagen
