#pragma once
// What the device does with each surface format: which formats it takes for
// textures and render targets, the layout of a level in memory, and the
// conversion to the 8-bit B,G,R,A texels that GL receives.

#include "backend/gpu/GpuFormat.h"

#include <cstdint>
#include <vector>

namespace backend {

bool GpuFormatIsTexture(GpuFormat format);
bool GpuFormatIsRenderTarget(GpuFormat format);
bool GpuFormatIsDepth(GpuFormat format);
bool GpuFormatHasStencil(GpuFormat format);
bool GpuFormatHasAlpha(GpuFormat format);
// Bytes of one row (of one row of 4x4 blocks for DXT) and number of rows.
uint32_t GpuLevelPitch(GpuFormat format, uint32_t width);
uint32_t GpuLevelRows(GpuFormat format, uint32_t height);
// A whole level as B,G,R,A bytes, row 0 first.
void GpuConvertToBgra(GpuFormat format, uint32_t width, uint32_t height, const uint8_t* source,
                      std::vector<uint8_t>& out);

} // namespace backend
