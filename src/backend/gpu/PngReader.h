#pragma once
// PNG pictures through libpng: every colour type and bit depth to 8-bit B,G,R,A texels.

#include "backend/gpu/ImageData.h"

namespace backend {

// A8R8G8B8 when the picture has alpha (an alpha channel or a transparent colour), else X8R8G8B8; one level.
bool ReadPng(const uint8_t* data, size_t size, ImageData& out, std::string& error);

} // namespace backend
