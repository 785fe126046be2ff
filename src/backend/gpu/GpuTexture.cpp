#include "backend/gpu/GpuTexture.h"

#include "backend/gpu/GpuSurface.h"

namespace backend {

GpuTexture::GpuTexture(GpuDevice* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                       GpuFormat format, GpuPool pool)
    : GpuBaseTexture(device, D3DRTYPE_TEXTURE, width, height, levels, usage, format, pool)
{
}

GpuResult GpuTexture::GetLevelDesc(uint32_t level, GpuSurfaceDesc* desc) const
{
    if (!desc || level >= GetLevelCount())
        return GPUERR_INVALIDCALL;
    DescribeLevel(level, desc);
    return GPU_OK;
}

GpuResult GpuTexture::GetSurfaceLevel(uint32_t level, GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= GetLevelCount() || !GetDevice())
        return GPUERR_INVALIDCALL;
    *surface = new GpuSurface(GetDevice(), this, 0, level);
    return GPU_OK;
}

GpuResult GpuTexture::LockRect(uint32_t level, GpuLockedRect* locked, const GpuRect* rect, uint32_t flags)
{
    return LockLevel(0, level, locked, rect, flags);
}

GpuResult GpuTexture::UnlockRect(uint32_t level)
{
    return UnlockLevel(0, level);
}

} // namespace backend
