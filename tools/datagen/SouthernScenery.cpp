#include "datagen/SouthernScenery.h"

#include "datagen/Painter.h"
#include "datagen/TrackAssets.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace datagen {

namespace {

constexpr float TAU = 6.2831853f;

float UnitCoordinate(uint32_t i, uint32_t size)
{
    return (static_cast<float>(i) + 0.5f) / static_cast<float>(size);
}

} // namespace

RgbaImage PaintSand(uint32_t size, uint32_t base, float ripples, uint32_t seed)
{
    RgbaImage image(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float u = UnitCoordinate(x, size), v = UnitCoordinate(y, size);
            const float broad = TileNoise(u, v, 3, 4, seed), fine = TileNoise(u, v, 96, 1, seed + 1);
            const float ripple = std::sin((v + 0.05f * TileNoise(u, v, 4, 2, seed + 2)) * TAU * 20.0f);
            float shade = 0.84f + 0.22f * broad + 0.16f * (fine - 0.5f) + ripples * ripple;
            const float speck = Random01(seed + 3, y * size + x);
            if (speck > 0.99f)
                shade *= 0.7f;
            else if (speck < 0.008f)
                shade *= 1.15f;
            image.At(x, y) = ShadeColor(base, shade) | 0xFF000000u;
        }
    return image;
}

RgbaImage PaintAsphalt(uint32_t size, uint32_t base, uint32_t seed)
{
    RgbaImage image(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float u = UnitCoordinate(x, size), v = UnitCoordinate(y, size);
            const float worn = TileNoise(u, v, 4, 3, seed), grit = TileNoise(u, v, 128, 1, seed + 1);
            float shade = 0.8f + 0.3f * worn + 0.35f * (grit - 0.5f);
            const float chip = Random01(seed + 2, y * size + x);
            if (chip > 0.97f)
                shade *= 1.45f;
            image.At(x, y) = ShadeColor(base, shade) | 0xFF000000u;
        }
    return image;
}

RgbaImage PaintWater(uint32_t size, uint32_t deep, uint32_t light, uint32_t seed)
{
    RgbaImage image(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float u = UnitCoordinate(x, size), v = UnitCoordinate(y, size);
            const float swell = TileNoise(u, v, 4, 3, seed);
            const float wave = std::sin((v + 0.15f * swell + 0.05f * TileNoise(u, v, 16, 2, seed + 1)) * TAU * 8.0f);
            const float crest = std::clamp((wave - 0.75f) * 4.0f, 0.0f, 1.0f) * (0.4f + 0.6f * swell);
            image.At(x, y) = MixColor(ShadeColor(deep, 0.8f + 0.4f * swell), light, crest * 0.7f) | 0xFF000000u;
        }
    return image;
}

RgbaImage PaintPalmSprite(uint32_t width, uint32_t height, uint32_t leaves, uint32_t seed)
{
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    RgbaImage image(width, height, leaves & 0x00FFFFFFu);
    // A slightly curved, ringed trunk from the bottom middle up to the crown.
    const float crownX = w * 0.56f, crownY = h * 0.3f;
    const int rings = 24;
    for (int i = 0; i < rings; ++i) {
        const float t0 = float(i) / rings, t1 = float(i + 1) / rings;
        auto at = [&](float t) {
            return Point2{w * 0.5f + (crownX - w * 0.5f) * t * t, h - 1.0f - (h - 1.0f - crownY) * t};
        };
        const Point2 a = at(t0), b = at(t1);
        const float width0 = w * (0.05f - 0.015f * t0);
        DrawLine(image, a.x, a.y, b.x, b.y, width0, ShadeColor(Argb(255, 132, 104, 72), i % 2 ? 0.85f : 1.0f));
    }
    // Fronds: arcs drooping from the crown, each with leaflets.
    uint32_t n = 0;
    const int fronds = 11;
    for (int f = 0; f < fronds; ++f) {
        const float angle = TAU * (float(f) + 0.3f * Random01(seed, n++)) / fronds;
        const float length = w * (0.36f + 0.1f * Random01(seed, n++));
        const float dx = std::cos(angle), up = std::sin(angle) * 0.45f;
        Point2 previous = {crownX, crownY};
        const int steps = 14;
        for (int s = 1; s <= steps; ++s) {
            const float t = float(s) / steps;
            const Point2 p = {crownX + dx * length * t, crownY - up * length * t + h * 0.16f * t * t};
            const float light = 0.7f + 0.5f * (1.0f - t) * (0.5f + 0.5f * std::sin(angle));
            DrawLine(image, previous.x, previous.y, p.x, p.y, 2.0f, ShadeColor(leaves, light * 0.8f));
            for (float side : {-1.0f, 1.0f}) {
                const float reach = w * 0.07f * (1.0f - 0.6f * t);
                DrawLine(image, p.x, p.y, p.x + side * reach * 0.3f - dx * reach * 0.2f, p.y + reach, 1.5f,
                         ShadeColor(leaves, light * (side < 0 ? 1.0f : 0.8f)));
            }
            previous = p;
        }
    }
    // Coconuts under the crown.
    for (int i = 0; i < 4; ++i)
        FillDisc(image, crownX + (float(i) - 1.5f) * w * 0.025f, crownY + h * 0.025f, w * 0.018f,
                 Argb(255, 96, 70, 40));
    return image;
}

RgbaImage PaintCactusSprite(uint32_t width, uint32_t height, uint32_t seed)
{
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const uint32_t green = Argb(255, 74, 116, 62);
    RgbaImage image(width, height, green & 0x00FFFFFFu);
    auto column = [&](float cx, float top, float bottom, float half) {
        // Ribbed: darker grooves down the column, light on the left.
        for (float x = cx - half; x <= cx + half; x += 1.0f) {
            const float across = (x - cx) / half;
            const float rib = 0.5f + 0.5f * std::cos(across * 9.0f);
            const float light = 1.05f - 0.35f * across + 0.15f * rib;
            const float round = std::sqrt(std::max(0.0f, 1.0f - across * across));
            FillRect(image, x, top + half * (1.0f - round), x + 1.0f, bottom, ShadeColor(green, light * 0.9f));
        }
    };
    const float trunk = w * 0.12f;
    column(w * 0.5f, h * 0.04f, h, trunk);
    // Two arms bending up, at heights varied by the seed.
    const float leftAt = h * (0.45f + 0.1f * Random01(seed, 1)), rightAt = h * (0.35f + 0.1f * Random01(seed, 2));
    const float arm = w * 0.08f;
    FillRect(image, w * 0.2f, leftAt - arm, w * 0.5f, leftAt + arm, ShadeColor(green, 0.8f));
    column(w * 0.2f, h * 0.2f, leftAt + arm, arm);
    FillRect(image, w * 0.5f, rightAt - arm, w * 0.8f, rightAt + arm, ShadeColor(green, 0.7f));
    column(w * 0.8f, h * 0.12f, rightAt + arm, arm);
    // Spines.
    for (uint32_t i = 0; i < 300; ++i) {
        const uint32_t x = uint32_t(Random01(seed + 5, i * 2) * (w - 1.0f));
        const uint32_t y = uint32_t(Random01(seed + 5, i * 2 + 1) * (h - 1.0f));
        if ((image.At(x, y) >> 24) != 0)
            image.At(x, y) = Argb(255, 214, 212, 170);
    }
    return image;
}

} // namespace datagen
