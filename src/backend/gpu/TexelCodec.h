#pragma once
// Uncompressed texels to and from 8-bit B,G,R,A (the byte order of A8R8G8B8), for filtering and conversion.

#include "backend/gpu/GpuFormat.h"

#include <cstdint>

namespace backend {

// Reads one texel of format at src into bgra[4]; formats without alpha give 255, L8 gives grey, A8 black.
void UnpackTexel(GpuFormat format, const uint8_t* src, uint8_t bgra[4]);
// Writes bgra[4] as one texel of format at dst, rounding to the nearest representable value.
void PackTexel(GpuFormat format, const uint8_t bgra[4], uint8_t* dst);

} // namespace backend
