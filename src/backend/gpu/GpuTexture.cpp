#include "backend/gpu/GpuTexture.h"

#include "backend/gpu/GpuSurface.h"

namespace backend {

GpuTexture::GpuTexture(GpuDevice* owner, uint32_t width, uint32_t height, uint32_t requestedLevels, uint32_t usageFlags,
                       GpuFormat texelFormat, GpuPool memoryPool)
    : GpuBaseTexture(owner, D3DRTYPE_TEXTURE, width, height, requestedLevels, usageFlags, texelFormat, memoryPool)
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
