#include "backend/gpu/GpuSurface.h"

#include "backend/gpu/GpuBaseTexture.h"
#include "backend/gpu/GpuPixelFormat.h"

#include <cstddef>

namespace backend {

GpuSurface::GpuSurface(GpuDevice* owner, Kind surfaceKind, GpuSurfaceDesc surfaceDesc)
    : GpuResource(owner, D3DRTYPE_SURFACE, surfaceDesc.Pool, surfaceDesc.Usage), kind(surfaceKind), desc(surfaceDesc)
{
    if (surfaceKind == Kind::Image)
        bytes.assign(std::size_t(GpuLevelPitch(surfaceDesc.Format, surfaceDesc.Width)) *
                         GpuLevelRows(surfaceDesc.Format, surfaceDesc.Height),
                     0);
}

GpuSurface::GpuSurface(GpuDevice* owner, GpuBaseTexture* texture, uint32_t faceIndex, uint32_t levelIndex)
    : GpuResource(owner, D3DRTYPE_SURFACE, texture->GetPool(), texture->GetUsage()), kind(Kind::TextureLevel),
      container(texture), face(faceIndex), level(levelIndex)
{
    texture->AddRef();
    texture->DescribeLevel(levelIndex, &desc);
}

GpuSurface::~GpuSurface()
{
    if (container)
        container->Release();
}

GpuResult GpuSurface::GetDesc(GpuSurfaceDesc* description) const
{
    if (!description)
        return GPUERR_INVALIDCALL;
    *description = desc;
    return GPU_OK;
}

GpuResult GpuSurface::LockRect(GpuLockedRect* lockedRect, const GpuRect* rect, uint32_t flags)
{
    if (kind == Kind::TextureLevel)
        return container->LockLevel(face, level, lockedRect, rect, flags);
    if (kind != Kind::Image || !lockedRect || locked)
        return GPUERR_INVALIDCALL;
    uint32_t pitch = GpuLevelPitch(desc.Format, desc.Width);
    uint32_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            uint32_t(rect->right) > desc.Width || uint32_t(rect->bottom) > desc.Height ||
            GpuLevelRows(desc.Format, 4) == 1)
            return GPUERR_INVALIDCALL;
        offset = uint32_t(rect->top) * pitch + GpuLevelPitch(desc.Format, uint32_t(rect->left));
    }
    lockedRect->Pitch = int32_t(pitch);
    lockedRect->pBits = bytes.data() + offset;
    locked = true;
    return GPU_OK;
}

GpuResult GpuSurface::UnlockRect()
{
    if (kind == Kind::TextureLevel)
        return container->UnlockLevel(face, level);
    if (kind != Kind::Image || !locked)
        return GPUERR_INVALIDCALL;
    locked = false;
    return GPU_OK;
}

} // namespace backend
