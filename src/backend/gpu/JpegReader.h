#pragma once
// JPEG pictures through libjpeg: greyscale and colour, baseline and progressive.

#include "backend/gpu/ImageData.h"

namespace backend {

// X8R8G8B8, one level. Any decoder warning (corrupt or truncated data) fails the read.
bool ReadJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& error);

} // namespace backend
