#include "backend/gpu/GpuIndexBuffer.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDevice.h"

#include <cstring>
#include <new>

namespace backend {

GpuIndexBuffer::GpuIndexBuffer(GpuDevice* device, uint32_t length, uint32_t usage, GpuFormat format, GpuPool pool)
    : GpuResource(device, D3DRTYPE_INDEXBUFFER, pool, usage), m_format(format), m_length(length)
{
}

GpuIndexBuffer::~GpuIndexBuffer()
{
    FreeGlObjects();
}

void GpuIndexBuffer::FreeGlObjects()
{
    if (m_glName != 0 && GetDevice()) {
        GetDevice()->MakeCurrent();
        GLuint name = m_glName;
        glDeleteBuffers(1, &name);
    }
    m_glName = 0;
}

bool GpuIndexBuffer::Allocate()
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
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(m_bytes.size()), m_bytes.data(),
                 (GetUsage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return glGetError() != GL_OUT_OF_MEMORY;
}

GpuResult GpuIndexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags)
{
    if (!data)
        return GPUERR_INVALIDCALL;
    *data = nullptr;
    uint32_t total = GetSize();
    if (m_locked || offset > total || (size != 0 && size > total - offset))
        return GPUERR_INVALIDCALL;
    m_lockOffset = offset;
    m_lockSize = (flags & D3DLOCK_READONLY) ? 0 : (size == 0 ? total - offset : size);
    m_locked = true;
    *data = m_bytes.data() + offset;
    return GPU_OK;
}

uint32_t GpuIndexBuffer::MaxIndex(uint64_t first, uint64_t count) const
{
    uint32_t highest = 0;
    const uint8_t* bytes = m_bytes.data() + first * IndexSize();
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t index;
        if (m_format == D3DFMT_INDEX32) {
            std::memcpy(&index, bytes + i * 4, 4);
        } else {
            uint16_t small;
            std::memcpy(&small, bytes + i * 2, 2);
            index = small;
        }
        highest = index > highest ? index : highest;
    }
    return highest;
}

uint32_t GpuIndexBuffer::MaxIndex()
{
    if (!m_maxIndexKnown) {
        m_maxIndex = MaxIndex(0, m_bytes.size() / IndexSize());
        m_maxIndexKnown = true;
    }
    return m_maxIndex;
}

GpuResult GpuIndexBuffer::Unlock()
{
    if (!m_locked)
        return GPUERR_INVALIDCALL;
    m_locked = false;
    if (m_lockSize != 0)
        m_maxIndexKnown = false;
    if (m_lockSize == 0 || m_glName == 0 || !GetDevice())
        return GPU_OK;
    GetDevice()->MakeCurrent();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_glName);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, GLintptr(m_lockOffset), GLsizeiptr(m_lockSize),
                    m_bytes.data() + m_lockOffset);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return GPU_OK;
}

GpuResult GpuIndexBuffer::GetDesc(GpuIndexBufferDesc* desc) const
{
    if (!desc)
        return GPUERR_INVALIDCALL;
    desc->Format = m_format;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Size = GetSize();
    return GPU_OK;
}

} // namespace backend
