#include "backend/gpu/GpuIndexBuffer.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDevice.h"

#include <cstring>
#include <new>

namespace backend {

GpuIndexBuffer::GpuIndexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, GpuFormat indexFormat,
                               GpuPool memoryPool)
    : GpuResource(owner, D3DRTYPE_INDEXBUFFER, memoryPool, usageFlags), format(indexFormat), length(byteLength)
{
}

GpuIndexBuffer::~GpuIndexBuffer()
{
    FreeGlObjects();
}

void GpuIndexBuffer::FreeGlObjects()
{
    if (glName != 0 && GetDevice()) {
        GetDevice()->MakeCurrent();
        GLuint name = glName;
        glDeleteBuffers(1, &name);
    }
    glName = 0;
}

bool GpuIndexBuffer::Allocate()
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
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(bytes.size()), bytes.data(),
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
    if (locked || offset > total || (size != 0 && size > total - offset))
        return GPUERR_INVALIDCALL;
    lockOffset = offset;
    lockSize = (flags & D3DLOCK_READONLY) ? 0 : (size == 0 ? total - offset : size);
    locked = true;
    *data = bytes.data() + offset;
    return GPU_OK;
}

uint32_t GpuIndexBuffer::MaxIndex(uint64_t first, uint64_t count) const
{
    uint32_t highest = 0;
    const uint8_t* indices = bytes.data() + first * IndexSize();
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t index;
        if (format == D3DFMT_INDEX32) {
            std::memcpy(&index, indices + i * 4, 4);
        } else {
            uint16_t small;
            std::memcpy(&small, indices + i * 2, 2);
            index = small;
        }
        highest = index > highest ? index : highest;
    }
    return highest;
}

uint32_t GpuIndexBuffer::MaxIndex()
{
    if (!maxIndexKnown) {
        maxIndex = MaxIndex(0, bytes.size() / IndexSize());
        maxIndexKnown = true;
    }
    return maxIndex;
}

GpuResult GpuIndexBuffer::Unlock()
{
    if (!locked)
        return GPUERR_INVALIDCALL;
    locked = false;
    if (lockSize != 0)
        maxIndexKnown = false;
    if (lockSize == 0 || glName == 0 || !GetDevice())
        return GPU_OK;
    GetDevice()->MakeCurrent();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, glName);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, GLintptr(lockOffset), GLsizeiptr(lockSize), bytes.data() + lockOffset);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return GPU_OK;
}

GpuResult GpuIndexBuffer::GetDesc(GpuIndexBufferDesc* desc) const
{
    if (!desc)
        return GPUERR_INVALIDCALL;
    desc->Format = format;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Size = GetSize();
    return GPU_OK;
}

} // namespace backend
