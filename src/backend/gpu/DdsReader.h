#pragma once
// DirectDraw Surface files: plain and cube textures, DXT1/3/5 and uncompressed bit-mask formats.

#include "backend/gpu/ImageData.h"

namespace backend {

// Uncompressed layouts without a device format of their own (A8L8, A8B8G8R8, X4R4G4B4, ...) are converted to
// A8R8G8B8. Palettes, volumes, floating-point and DX10 files are refused.
bool ReadDds(const uint8_t* data, size_t size, ImageData& out, std::string& error);

} // namespace backend
