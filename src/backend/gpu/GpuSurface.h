#pragma once
// A surface: the device's back buffer or depth-stencil buffer, one level of a
// texture, or an image surface in memory.

#include "backend/gpu/GpuResource.h"

#include <vector>

namespace backend {

class GpuBaseTexture;

class GpuSurface : public GpuResource {
public:
    enum class Kind { BackBuffer, DepthStencil, TextureLevel, Image };

    GpuResult GetDesc(GpuSurfaceDesc* description) const;
    // Image surfaces and levels of lockable textures only.
    GpuResult LockRect(GpuLockedRect* lockedRect, const GpuRect* rect, uint32_t flags);
    GpuResult UnlockRect();

    Kind GetKind() const { return kind; }
    // The texture of a level surface (not referenced), else null.
    GpuBaseTexture* GetContainer() const { return container; }
    uint32_t GetFace() const { return face; }
    uint32_t GetLevel() const { return level; }

private:
    friend class GpuDevice;
    friend class GpuTexture;
    friend class GpuCubeTexture;
    GpuSurface(GpuDevice* owner, Kind surfaceKind, GpuSurfaceDesc surfaceDesc);
    GpuSurface(GpuDevice* owner, GpuBaseTexture* texture, uint32_t faceIndex, uint32_t levelIndex);
    ~GpuSurface() override;

    Kind kind;
    GpuSurfaceDesc desc;
    GpuBaseTexture* container = nullptr; // holds a reference
    uint32_t face = 0;
    uint32_t level = 0;
    std::vector<uint8_t> bytes; // image surfaces
    bool locked = false;
};

} // namespace backend
