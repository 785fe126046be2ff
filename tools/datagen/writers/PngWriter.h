#pragma once
// PNG files (8-bit RGBA, or RGB when withAlpha is false) through libpng.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace datagen {

std::vector<uint8_t> EncodePng(const RgbaImage& image, bool withAlpha = true);

} // namespace datagen
