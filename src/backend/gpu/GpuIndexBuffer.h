#pragma once
// An index buffer of 16- or 32-bit indices, locked and copied like a vertex
// buffer, and like one left to GL once written unless it is dynamic.

#include "backend/gpu/GpuBuffer.h"

namespace backend {

class GpuIndexBuffer : public GpuBuffer {
public:
    // The shared unlock, and the largest index is found again after a write.
    GpuResult Unlock();
    GpuResult GetDesc(GpuIndexBufferDesc* desc) const;

    GpuFormat GetFormat() const { return format; }
    uint32_t IndexSize() const { return format == D3DFMT_INDEX32 ? 4u : 2u; }
    // Largest index anywhere in the buffer (kept up to date by Unlock).
    uint32_t MaxIndex();
    // Largest of `count` indices from `first`; a copy left to GL is read
    // back for it (UINT32_MAX when that fails).
    uint32_t MaxIndex(uint64_t first, uint64_t count);

private:
    friend class GpuDevice;
    GpuIndexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, GpuFormat indexFormat,
                   GpuPool memoryPool);

    GpuFormat format;
    uint32_t maxIndex = 0;
    bool maxIndexKnown = false;
};

} // namespace backend
