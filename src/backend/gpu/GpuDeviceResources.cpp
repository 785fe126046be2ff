// GpuDevice: creation of textures, buffers and surfaces.

#include "backend/gpu/GpuDevice.h"

#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuPixelFormat.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"

namespace backend {

namespace {

// Larger buffers than this are refused as out of memory rather than tried.
constexpr uint32_t MAX_BUFFER_BYTES = 256u << 20;

} // namespace

GpuResult GpuDevice::CheckCreate(uint32_t usage, GpuFormat format, GpuPool pool) const
{
    if (IsFormatRefused(format))
        return GPUERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_RENDERTARGET) {
        if (pool != D3DPOOL_DEFAULT)
            return GPUERR_INVALIDCALL;
        return GpuFormatIsRenderTarget(format) ? GPU_OK : GPUERR_NOTAVAILABLE;
    }
    return GpuFormatIsTexture(format) ? GPU_OK : GPUERR_NOTAVAILABLE;
}

GpuResult GpuDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, GpuFormat format,
                                   GpuPool pool, GpuTexture** texture)
{
    if (!texture)
        return GPUERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > context->MaxTextureSize() || height > context->MaxTextureSize())
        return GPUERR_INVALIDCALL;
    if (GpuResult check = CheckCreate(usage, format, pool); GpuFailed(check))
        return check;
    if (TakeFault(GpuDeviceFault::CreateResource))
        return GPUERR_OUTOFVIDEOMEMORY;
    MakeCurrent();
    if (usage & D3DUSAGE_RENDERTARGET)
        levels = 1;
    GpuTexture* created = new GpuTexture(this, width, height, levels, usage, format, pool);
    if (!created->Allocate()) {
        created->Release();
        return GPUERR_OUTOFVIDEOMEMORY;
    }
    *texture = created;
    return GPU_OK;
}

GpuResult GpuDevice::CreateCubeTexture(uint32_t edgeLength, uint32_t levels, uint32_t usage, GpuFormat format,
                                       GpuPool pool, GpuCubeTexture** texture)
{
    if (!texture)
        return GPUERR_INVALIDCALL;
    *texture = nullptr;
    if (edgeLength == 0 || edgeLength > context->MaxTextureSize())
        return GPUERR_INVALIDCALL;
    if (GpuResult check = CheckCreate(usage, format, pool); GpuFailed(check))
        return check;
    if (TakeFault(GpuDeviceFault::CreateResource))
        return GPUERR_OUTOFVIDEOMEMORY;
    MakeCurrent();
    if (usage & D3DUSAGE_RENDERTARGET)
        levels = 1;
    GpuCubeTexture* created = new GpuCubeTexture(this, edgeLength, levels, usage, format, pool);
    if (!created->Allocate()) {
        created->Release();
        return GPUERR_OUTOFVIDEOMEMORY;
    }
    *texture = created;
    return GPU_OK;
}

template <class Buffer, class... Args> GpuResult GpuDevice::CreateBuffer(uint32_t length, Buffer** buffer, Args... args)
{
    if (length > MAX_BUFFER_BYTES || TakeFault(GpuDeviceFault::CreateResource))
        return GPUERR_OUTOFVIDEOMEMORY;
    MakeCurrent();
    Buffer* created = new Buffer(this, length, args...);
    if (!created->Allocate()) {
        created->Release();
        return GPUERR_OUTOFVIDEOMEMORY;
    }
    *buffer = created;
    return GPU_OK;
}

GpuResult GpuDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t vertexFormat, GpuPool pool,
                                        GpuVertexBuffer** buffer)
{
    if (!buffer)
        return GPUERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0)
        return GPUERR_INVALIDCALL;
    return CreateBuffer(length, buffer, usage, vertexFormat, pool);
}

GpuResult GpuDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, GpuFormat format, GpuPool pool,
                                       GpuIndexBuffer** buffer)
{
    if (!buffer)
        return GPUERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return GPUERR_INVALIDCALL;
    return CreateBuffer(length, buffer, usage, format, pool);
}

GpuResult GpuDevice::CreateImageSurface(uint32_t width, uint32_t height, GpuFormat format, GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || width > context->MaxTextureSize() || height > context->MaxTextureSize() ||
        !GpuFormatIsTexture(format))
        return GPUERR_INVALIDCALL;
    if (TakeFault(GpuDeviceFault::CreateResource))
        return GPUERR_OUTOFVIDEOMEMORY;
    GpuSurfaceDesc desc;
    desc.Format = format;
    desc.Pool = D3DPOOL_SYSTEMMEM;
    desc.Width = width;
    desc.Height = height;
    desc.Size = GpuLevelPitch(format, width) * GpuLevelRows(format, height);
    *surface = new GpuSurface(this, GpuSurface::Kind::Image, desc);
    return GPU_OK;
}

} // namespace backend
