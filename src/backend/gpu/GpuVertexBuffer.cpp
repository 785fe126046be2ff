#include "backend/gpu/GpuVertexBuffer.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDevice.h"

#include <new>

namespace backend {

GpuVertexBuffer::GpuVertexBuffer(GpuDevice* device, uint32_t length, uint32_t usage, uint32_t fvf, GpuPool pool)
    : GpuResource(device, D3DRTYPE_VERTEXBUFFER, pool, usage), m_fvf(fvf), m_length(length)
{
}

GpuVertexBuffer::~GpuVertexBuffer()
{
    FreeGlObjects();
}

void GpuVertexBuffer::FreeGlObjects()
{
    if (m_glName != 0 && GetDevice()) {
        GetDevice()->MakeCurrent();
        GLuint name = m_glName;
        glDeleteBuffers(1, &name);
    }
    m_glName = 0;
}

bool GpuVertexBuffer::Allocate()
{
    try {
        m_bytes.assign(m_length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    GLuint name = 0;
    glGenBuffers(1, &name);
    if (name == 0)
        return false;
    m_glName = name;
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_bytes.size()), m_bytes.data(),
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
    if (m_locked || offset > total || (size != 0 && size > total - offset))
        return GPUERR_INVALIDCALL;
    m_lockOffset = offset;
    m_lockSize = size == 0 ? total - offset : size;
    m_lockFlags = flags;
    m_locked = true;
    *data = m_bytes.data() + offset;
    return GPU_OK;
}

GpuResult GpuVertexBuffer::Unlock()
{
    if (!m_locked)
        return GPUERR_INVALIDCALL;
    m_locked = false;
    if ((m_lockFlags & D3DLOCK_READONLY) || m_lockSize == 0 || m_glName == 0 || !GetDevice())
        return GPU_OK;
    GetDevice()->MakeCurrent();
    glBindBuffer(GL_ARRAY_BUFFER, m_glName);
    if (m_lockFlags & D3DLOCK_DISCARD) // orphan the old storage; draws already queued keep it
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_bytes.size()), m_bytes.data(), GL_DYNAMIC_DRAW);
    else
        glBufferSubData(GL_ARRAY_BUFFER, GLintptr(m_lockOffset), GLsizeiptr(m_lockSize), m_bytes.data() + m_lockOffset);
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
    desc->FVF = m_fvf;
    return GPU_OK;
}

} // namespace backend
