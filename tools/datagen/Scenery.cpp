#include "datagen/Scenery.h"

#include <cmath>

namespace datagen {

namespace {

constexpr float PI = 3.14159265f;

} // namespace

void DrawMopedSilhouette(RgbaImage& image, float x, float y, float scale, uint32_t color)
{
    const float wheel = 15.0f * scale;
    FillRing(image, x - 32 * scale, y - wheel, wheel * 0.55f, wheel, color);
    FillRing(image, x + 34 * scale, y - wheel, wheel * 0.55f, wheel, color);
    auto p = [&](float px, float py) { return Point2{x + px * scale, y - py * scale}; };
    FillPolygon(image,
                {p(-46, 18), p(-40, 34), p(-8, 38), p(4, 26), p(20, 24), p(28, 52), p(34, 54), p(40, 18), p(26, 14),
                 p(-20, 14)},
                color);
    // Rider: leg, body leaning forward, arm to the handlebar, helmet.
    FillPolygon(image, {p(-20, 38), p(-2, 40), p(14, 30), p(20, 30), p(16, 38), p(0, 50), p(-22, 50)}, color);
    FillPolygon(image, {p(-24, 48), p(-6, 50), p(8, 80), p(-8, 86)}, color);
    DrawLine(image, x + 2 * scale, y - 76 * scale, x + 30 * scale, y - 56 * scale, 6 * scale, color);
    FillDisc(image, x + 2 * scale, y - 94 * scale, 11 * scale, color);
}

void DrawRidge(RgbaImage& image, float baseY, float amplitude, float feature, uint32_t seed, uint32_t color,
               float bottom)
{
    for (uint32_t x = 0; x < image.width; ++x) {
        const float top = baseY - amplitude * FractalNoise(static_cast<float>(x), 0.0f, feature, 4, seed);
        FillRect(image, static_cast<float>(x), top, static_cast<float>(x + 1), bottom, color);
    }
}

void DrawRoad(RgbaImage& image, float vanishX, float horizonY, float bottomY, float halfWidth, uint32_t asphalt,
              uint32_t stripe)
{
    const float cx = image.width * 0.5f;
    FillPolygon(
        image, {{vanishX - 2, horizonY}, {vanishX + 2, horizonY}, {cx + halfWidth, bottomY}, {cx - halfWidth, bottomY}},
        asphalt);
    for (int i = 0; i < 8; ++i) {
        // Dashes shrink towards the horizon.
        const float t0 = std::pow(0.72f, static_cast<float>(i)), t1 = t0 * 0.86f;
        auto at = [&](float t) { return Point2{vanishX + (cx - vanishX) * t, horizonY + (bottomY - horizonY) * t}; };
        const Point2 a = at(t0), b = at(t1);
        const float w0 = halfWidth * t0 * 0.04f, w1 = halfWidth * t1 * 0.04f;
        FillPolygon(image, {{a.x - w0, a.y}, {a.x + w0, a.y}, {b.x + w1, b.y}, {b.x - w1, b.y}}, stripe);
    }
}

void DrawGameName(TextPainter& bold, RgbaImage& image, float x, float baseline, uint32_t size)
{
    const float o = size / 24.0f;
    bold.Draw(image, "VANTREL", size, x + 2 * o, baseline + 2 * o, Argb(160, 0, 0, 0), true);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy)
                bold.Draw(image, "VANTREL", size, x + dx * o, baseline + dy * o, Argb(255, 60, 20, 0), true);
    bold.Draw(image, "VANTREL", size, x, baseline, Argb(255, 255, 200, 40), true);
}

void DrawPanel(RgbaImage& image, float x0, float y0, float x1, float y1, float radius, uint32_t fill, uint32_t border)
{
    auto rounded = [&](float inset) {
        std::vector<Point2> points;
        const float r = radius - inset;
        const Point2 corners[4] = {{x1 - radius, y0 + radius},
                                   {x1 - radius, y1 - radius},
                                   {x0 + radius, y1 - radius},
                                   {x0 + radius, y0 + radius}};
        for (int c = 0; c < 4; ++c)
            for (int s = 0; s <= 6; ++s) {
                const float a = (c - 1) * PI * 0.5f + s * PI / 12.0f;
                points.push_back({corners[c].x + r * std::cos(a), corners[c].y + r * std::sin(a)});
            }
        return points;
    };
    FillPolygon(image, rounded(0.0f), border);
    const float inset = 3.0f;
    std::vector<Point2> inner = rounded(inset);
    FillPolygon(image, inner, fill);
}

} // namespace datagen
