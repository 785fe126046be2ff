#include "backend/gpu/ImageData.h"

namespace backend {

uint32_t ImageBytesPerTexel(GpuFormat format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
        return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
        return 1;
    default:
        return 0;
    }
}

bool ImageIsCompressed(GpuFormat format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5;
}

size_t ImageSurfaceSize(GpuFormat format, uint32_t width, uint32_t height)
{
    if (ImageIsCompressed(format)) {
        size_t blocks = size_t((width + 3) / 4) * size_t((height + 3) / 4);
        return blocks * (format == D3DFMT_DXT1 ? 8 : 16);
    }
    return size_t(width) * height * ImageBytesPerTexel(format);
}

} // namespace backend
