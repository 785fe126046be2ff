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

    GpuResult GetDesc(GpuSurfaceDesc* desc) const;
    // Image surfaces and levels of lockable textures only.
    GpuResult LockRect(GpuLockedRect* locked, const GpuRect* rect, uint32_t flags);
    GpuResult UnlockRect();

    Kind GetKind() const { return m_kind; }
    // The texture of a level surface (not referenced), else null.
    GpuBaseTexture* GetContainer() const { return m_container; }
    uint32_t GetFace() const { return m_face; }
    uint32_t GetLevel() const { return m_level; }

private:
    friend class GpuDevice;
    friend class GpuTexture;
    friend class GpuCubeTexture;
    GpuSurface(GpuDevice* device, Kind kind, GpuSurfaceDesc desc);
    GpuSurface(GpuDevice* device, GpuBaseTexture* container, uint32_t face, uint32_t level);
    ~GpuSurface() override;

    Kind m_kind;
    GpuSurfaceDesc m_desc;
    GpuBaseTexture* m_container = nullptr; // holds a reference
    uint32_t m_face = 0;
    uint32_t m_level = 0;
    std::vector<uint8_t> m_bytes; // image surfaces
    bool m_locked = false;
};

} // namespace backend
