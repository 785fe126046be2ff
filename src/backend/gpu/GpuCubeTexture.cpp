#include "backend/gpu/GpuCubeTexture.h"

#include "backend/gpu/GpuSurface.h"

namespace backend {

GpuCubeTexture::GpuCubeTexture(GpuDevice* owner, uint32_t edgeLength, uint32_t requestedLevels, uint32_t usageFlags,
                               GpuFormat texelFormat, GpuPool memoryPool)
    : GpuBaseTexture(owner, D3DRTYPE_CUBETEXTURE, edgeLength, edgeLength, requestedLevels, usageFlags, texelFormat,
                     memoryPool)
{
}

GpuResult GpuCubeTexture::GetLevelDesc(uint32_t level, GpuSurfaceDesc* desc) const
{
    if (!desc || level >= GetLevelCount())
        return GPUERR_INVALIDCALL;
    DescribeLevel(level, desc);
    return GPU_OK;
}

GpuResult GpuCubeTexture::GetCubeMapSurface(GpuCubeFace face, uint32_t level, GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = nullptr;
    if (uint32_t(face) >= 6 || level >= GetLevelCount() || !GetDevice())
        return GPUERR_INVALIDCALL;
    *surface = new GpuSurface(GetDevice(), this, uint32_t(face), level);
    return GPU_OK;
}

GpuResult GpuCubeTexture::LockRect(GpuCubeFace face, uint32_t level, GpuLockedRect* locked, const GpuRect* rect,
                                   uint32_t flags)
{
    return LockLevel(uint32_t(face), level, locked, rect, flags);
}

GpuResult GpuCubeTexture::UnlockRect(GpuCubeFace face, uint32_t level)
{
    return UnlockLevel(uint32_t(face), level);
}

} // namespace backend
