#include "backend/gpu/GpuPixelFormat.h"

#include "backend/gpu/ImageData.h"
#include "backend/gpu/TexelCodec.h"

#include <cstring>

namespace backend {

bool GpuFormatIsTexture(GpuFormat format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_DXT1:
    case D3DFMT_DXT3:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

bool GpuFormatIsRenderTarget(GpuFormat format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        return true;
    default:
        return false;
    }
}

bool GpuFormatIsDepth(GpuFormat format)
{
    return format == D3DFMT_D16 || format == D3DFMT_D24S8 || format == D3DFMT_D24X8;
}

bool GpuFormatHasStencil(GpuFormat format)
{
    return format == D3DFMT_D24S8;
}

bool GpuFormatHasAlpha(GpuFormat format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_DXT1:
    case D3DFMT_DXT3:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

uint32_t GpuLevelPitch(GpuFormat format, uint32_t width)
{
    if (ImageIsCompressed(format))
        return ((width + 3) / 4) * (format == D3DFMT_DXT1 ? 8u : 16u);
    uint32_t bytes = ImageBytesPerTexel(format);
    return width * (bytes ? bytes : 4u);
}

uint32_t GpuLevelRows(GpuFormat format, uint32_t height)
{
    return ImageIsCompressed(format) ? (height + 3) / 4 : height;
}

void GpuConvertToBgra(GpuFormat format, uint32_t width, uint32_t height, const uint8_t* source,
                      std::vector<uint8_t>& out)
{
    size_t count = size_t(width) * height;
    if (ImageIsCompressed(format)) {
        DecompressDxt(format, width, height, source, out);
        return;
    }
    out.resize(count * 4);
    if (format == D3DFMT_A8R8G8B8) {
        std::memcpy(out.data(), source, count * 4);
        return;
    }
    uint32_t bytes = ImageBytesPerTexel(format);
    if (bytes == 0) {
        std::memset(out.data(), 0, out.size());
        return;
    }
    for (size_t i = 0; i < count; ++i)
        UnpackTexel(format, source + i * bytes, &out[i * 4]);
}

} // namespace backend
