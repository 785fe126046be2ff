#pragma once
// Painted textures shared by the warm tracks (Mexico, Egypt, Hawaii): sand,
// asphalt, water and palm and cactus sprites.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>

namespace datagen {

// Tileable sand in `base` with wind ripples and grains.
RgbaImage PaintSand(uint32_t size, uint32_t base, float ripples, uint32_t seed);
// Tileable worn asphalt, grey with light chips.
RgbaImage PaintAsphalt(uint32_t size, uint32_t base, uint32_t seed);
// Tileable water: waves in `deep` with `light` crests.
RgbaImage PaintWater(uint32_t size, uint32_t deep, uint32_t light, uint32_t seed);
// A palm on a transparent background: a leaning trunk and a crown of fronds.
RgbaImage PaintPalmSprite(uint32_t width, uint32_t height, uint32_t leaves, uint32_t seed);
// A saguaro on a transparent background, trunk at the bottom edge.
RgbaImage PaintCactusSprite(uint32_t width, uint32_t height, uint32_t seed);

} // namespace datagen
