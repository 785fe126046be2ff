#pragma once
// A 2D texture with its mip levels; a render-target texture (one level,
// default pool) can be drawn into through its level-0 surface.

#include "backend/gpu/GpuBaseTexture.h"

namespace backend {

class GpuSurface;

class GpuTexture : public GpuBaseTexture {
public:
    GpuResult GetLevelDesc(uint32_t level, GpuSurfaceDesc* desc) const;
    // A new reference to the surface of a level; it keeps the texture alive.
    GpuResult GetSurfaceLevel(uint32_t level, GpuSurface** surface);
    // The level's bytes in the texture's format, top row first. Render
    // targets cannot be locked.
    GpuResult LockRect(uint32_t level, GpuLockedRect* locked, const GpuRect* rect, uint32_t flags);
    GpuResult UnlockRect(uint32_t level);

private:
    friend class GpuDevice;
    GpuTexture(GpuDevice* owner, uint32_t width, uint32_t height, uint32_t requestedLevels, uint32_t usageFlags,
               GpuFormat texelFormat, GpuPool memoryPool);
};

} // namespace backend
