#pragma once
// Pieces of scenery shared by the generated pictures.

#include "datagen/Painter.h"
#include "datagen/TextPainter.h"

namespace datagen {

// A rider on a moped, side view, facing right; (x, y) is the ground under its middle.
void DrawMopedSilhouette(RgbaImage& image, float x, float y, float scale, uint32_t color);
// Hills along the horizon: a ridge line from noise, filled down to `bottom`.
void DrawRidge(RgbaImage& image, float baseY, float amplitude, float feature, uint32_t seed, uint32_t color,
               float bottom);
// A road running from the bottom edge to a vanishing point.
void DrawRoad(RgbaImage& image, float vanishX, float horizonY, float bottomY, float halfWidth, uint32_t asphalt,
              uint32_t stripe);
// The game's name in large letters with an outline and shadow, centred on x.
void DrawGameName(TextPainter& bold, RgbaImage& image, float x, float baseline, uint32_t size);
// A dark panel with a lighter border and rounded corners; transparent outside.
void DrawPanel(RgbaImage& image, float x0, float y0, float x1, float y1, float radius, uint32_t fill, uint32_t border);

} // namespace datagen
