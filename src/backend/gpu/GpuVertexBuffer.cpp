#include "backend/gpu/GpuVertexBuffer.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDevice.h"

#include <new>

namespace backend {

GpuVertexBuffer::GpuVertexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, uint32_t vertexFormat,
                                 GpuPool memoryPool)
    : GpuResource(owner, D3DRTYPE_VERTEXBUFFER, memoryPool, usageFlags), fvf(vertexFormat), length(byteLength)
{
}

GpuVertexBuffer::~GpuVertexBuffer()
{
    FreeGlObjects();
}

void GpuVertexBuffer::FreeGlObjects()
{
    if (glName != 0 && GetDevice()) {
        GetDevice()->MakeCurrent();
        GLuint name = glName;
        glDeleteBuffers(1, &name);
    }
    glName = 0;
}

bool GpuVertexBuffer::Allocate()
{
    try {
        bytes.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    GLuint name = 0;
    glGenBuffers(1, &name);
    if (name == 0)
        return false;
    glName = name;
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes.size()), bytes.data(),
                 (GetUsage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return glGetError() != GL_OUT_OF_MEMORY;
}

GpuResult GpuVertexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags)
{
    if (!data)
        return GPUERR_INVALIDCALL;
    *data = nullptr;
    uint32_t total = GetSize();
    if (locked || offset > total || (size != 0 && size > total - offset))
        return GPUERR_INVALIDCALL;
    lockOffset = offset;
    lockSize = size == 0 ? total - offset : size;
    lockFlags = flags;
    locked = true;
    *data = bytes.data() + offset;
    return GPU_OK;
}

GpuResult GpuVertexBuffer::Unlock()
{
    if (!locked)
        return GPUERR_INVALIDCALL;
    locked = false;
    if ((lockFlags & D3DLOCK_READONLY) || lockSize == 0 || glName == 0 || !GetDevice())
        return GPU_OK;
    GetDevice()->MakeCurrent();
    glBindBuffer(GL_ARRAY_BUFFER, glName);
    if (lockFlags & D3DLOCK_DISCARD) // orphan the old storage; draws already queued keep it
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(bytes.size()), bytes.data(), GL_DYNAMIC_DRAW);
    else
        glBufferSubData(GL_ARRAY_BUFFER, GLintptr(lockOffset), GLsizeiptr(lockSize), bytes.data() + lockOffset);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return GPU_OK;
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
