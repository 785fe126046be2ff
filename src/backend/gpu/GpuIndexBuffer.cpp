#include "backend/gpu/GpuIndexBuffer.h"

#include "backend/gpu/GlHeaders.h"

#include <cstdint>
#include <cstring>

namespace backend {

GpuIndexBuffer::GpuIndexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, GpuFormat indexFormat,
                               GpuPool memoryPool)
    : GpuBuffer(owner, D3DRTYPE_INDEXBUFFER, byteLength, usageFlags, memoryPool, GL_ELEMENT_ARRAY_BUFFER, false),
      format(indexFormat)
{
    LeaveBytesToGl();
}

uint32_t GpuIndexBuffer::MaxIndex(uint64_t first, uint64_t count)
{
    const uint8_t* all = Bytes();
    if (!HoldsCopy())
        return UINT32_MAX;
    uint32_t highest = 0;
    const uint8_t* indices = all + first * IndexSize();
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
    if (locked && lockSize != 0) {
        maxIndexKnown = false;
        if (DropsCopyOnUnlock())
            MaxIndex(); // while the bytes are at hand
    }
    return GpuBuffer::Unlock();
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
