#pragma once
// A cube texture: six square faces in the order +X, -X, +Y, -Y, +Z, -Z, each
// with the same mip levels.

#include "backend/gpu/GpuBaseTexture.h"

namespace backend {

class GpuSurface;

class GpuCubeTexture : public GpuBaseTexture {
public:
    GpuResult GetLevelDesc(uint32_t level, GpuSurfaceDesc* desc) const;
    GpuResult GetCubeMapSurface(GpuCubeFace face, uint32_t level, GpuSurface** surface);
    GpuResult LockRect(GpuCubeFace face, uint32_t level, GpuLockedRect* locked, const GpuRect* rect, uint32_t flags);
    GpuResult UnlockRect(GpuCubeFace face, uint32_t level);

private:
    friend class GpuDevice;
    GpuCubeTexture(GpuDevice* owner, uint32_t edgeLength, uint32_t requestedLevels, uint32_t usageFlags,
                   GpuFormat texelFormat, GpuPool memoryPool);
};

} // namespace backend
