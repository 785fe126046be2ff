#include "backend/gpu/GpuBuffer.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuDriverTimer.h"
#include "backend/gpu/GpuGlContext.h"

#include <new>

namespace backend {

GpuBuffer::GpuBuffer(GpuDevice* owner, GpuResourceType resourceType, uint32_t byteLength, uint32_t usageFlags,
                     GpuPool memoryPool, uint32_t bindTarget, bool orphanDiscard)
    : GpuResource(owner, resourceType, memoryPool, usageFlags), target(bindTarget), orphanOnDiscard(orphanDiscard),
      length(byteLength)
{
}

GpuBuffer::~GpuBuffer()
{
    FreeGlObjects();
}

void GpuBuffer::FreeGlObjects()
{
    if (glName != 0 && GetDevice() && GetDevice()->GlContext())
        GetDevice()->GlContext()->DeleteBuffer(glName);
    glName = 0;
}

bool GpuBuffer::Allocate()
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
    GetDevice()->GlContext()->State().BindBuffer(target, name);
    glBufferData(target, GLsizeiptr(length), bytes.data(),
                 (GetUsage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    return glGetError() != GL_OUT_OF_MEMORY;
}

GpuResult GpuBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags)
{
    if (!data)
        return GPUERR_INVALIDCALL;
    *data = nullptr;
    uint32_t total = GetSize();
    if (locked || offset > total || (size != 0 && size > total - offset))
        return GPUERR_INVALIDCALL;
    if (inGlOnly && !RestoreCopy())
        return GPUERR_OUTOFVIDEOMEMORY;
    lockOffset = offset;
    lockSize = (flags & D3DLOCK_READONLY) ? 0 : (size == 0 ? total - offset : size);
    lockFlags = flags;
    locked = true;
    *data = bytes.data() + offset;
    return GPU_OK;
}

GpuResult GpuBuffer::Unlock()
{
    if (!locked)
        return GPUERR_INVALIDCALL;
    locked = false;
    if (lockSize == 0 || glName == 0 || !GetDevice())
        return GPU_OK;
    GpuDriverTimer timer;
    GetDevice()->MakeCurrent();
    GetDevice()->GlContext()->State().BindBuffer(target, glName);
    if (orphanOnDiscard && (lockFlags & D3DLOCK_DISCARD)) // draws already queued keep the old storage
        glBufferData(target, GLsizeiptr(length), bytes.data(), GL_DYNAMIC_DRAW);
    else
        glBufferSubData(target, GLintptr(lockOffset), GLsizeiptr(lockSize), bytes.data() + lockOffset);
    if (leaveToGl && !keepCopy) {
        std::vector<uint8_t>().swap(bytes);
        inGlOnly = true;
    }
    return GPU_OK;
}

bool GpuBuffer::RestoreCopy()
{
    if (glName == 0 || !GetDevice() || !GetDevice()->GlContext())
        return false;
    try {
        bytes.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    GpuDriverTimer timer;
    GetDevice()->MakeCurrent();
    GetDevice()->GlContext()->State().BindBuffer(target, glName);
    glGetBufferSubData(target, 0, GLsizeiptr(length), bytes.data());
    inGlOnly = false;
    keepCopy = true;
    return true;
}

} // namespace backend
