#include "backend/gpu/GpuVertexBuffer.h"

#include "backend/gpu/GlHeaders.h"

namespace backend {

GpuVertexBuffer::GpuVertexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, uint32_t vertexFormat,
                                 GpuPool memoryPool)
    : GpuBuffer(owner, D3DRTYPE_VERTEXBUFFER, byteLength, usageFlags, memoryPool, GL_ARRAY_BUFFER, true),
      fvf(vertexFormat)
{
    LeaveBytesToGl();
}

GpuResult GpuVertexBuffer::GetDesc(GpuVertexBufferDesc* desc) const
{
    if (!desc)
        return GPUERR_INVALIDCALL;
    desc->Format = D3DFMT_UNKNOWN; // D3DFMT_VERTEXDATA has no number of its own here
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Size = GetSize();
    desc->FVF = fvf;
    return GPU_OK;
}

} // namespace backend
