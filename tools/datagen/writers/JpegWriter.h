#pragma once
// Baseline JPEG files through libjpeg; alpha is dropped.

#include "datagen/writers/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace datagen {

std::vector<uint8_t> EncodeJpeg(const RgbaImage& image, int quality = 95, bool grey = false);

} // namespace datagen
