#include "backend/gpu/GpuSurface.h"

#include "backend/gpu/GpuBaseTexture.h"
#include "backend/gpu/GpuPixelFormat.h"

#include <cstddef>

namespace backend {

GpuSurface::GpuSurface(GpuDevice* device, Kind kind, GpuSurfaceDesc desc)
    : GpuResource(device, D3DRTYPE_SURFACE, desc.Pool, desc.Usage), m_kind(kind), m_desc(desc)
{
    if (kind == Kind::Image)
        m_bytes.assign(std::size_t(GpuLevelPitch(desc.Format, desc.Width)) * GpuLevelRows(desc.Format, desc.Height), 0);
}

GpuSurface::GpuSurface(GpuDevice* device, GpuBaseTexture* container, uint32_t face, uint32_t level)
    : GpuResource(device, D3DRTYPE_SURFACE, container->GetPool(), container->GetUsage()), m_kind(Kind::TextureLevel),
      m_container(container), m_face(face), m_level(level)
{
    container->AddRef();
    container->DescribeLevel(level, &m_desc);
}

GpuSurface::~GpuSurface()
{
    if (m_container)
        m_container->Release();
}

GpuResult GpuSurface::GetDesc(GpuSurfaceDesc* desc) const
{
    if (!desc)
        return GPUERR_INVALIDCALL;
    *desc = m_desc;
    return GPU_OK;
}

GpuResult GpuSurface::LockRect(GpuLockedRect* locked, const GpuRect* rect, uint32_t flags)
{
    if (m_kind == Kind::TextureLevel)
        return m_container->LockLevel(m_face, m_level, locked, rect, flags);
    if (m_kind != Kind::Image || !locked || m_locked)
        return GPUERR_INVALIDCALL;
    uint32_t pitch = GpuLevelPitch(m_desc.Format, m_desc.Width);
    uint32_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            uint32_t(rect->right) > m_desc.Width || uint32_t(rect->bottom) > m_desc.Height ||
            GpuLevelRows(m_desc.Format, 4) == 1)
            return GPUERR_INVALIDCALL;
        offset = uint32_t(rect->top) * pitch + GpuLevelPitch(m_desc.Format, uint32_t(rect->left));
    }
    locked->Pitch = int32_t(pitch);
    locked->pBits = m_bytes.data() + offset;
    m_locked = true;
    return GPU_OK;
}

GpuResult GpuSurface::UnlockRect()
{
    if (m_kind == Kind::TextureLevel)
        return m_container->UnlockLevel(m_face, m_level);
    if (m_kind != Kind::Image || !m_locked)
        return GPUERR_INVALIDCALL;
    m_locked = false;
    return GPU_OK;
}

} // namespace backend
