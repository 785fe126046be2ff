#pragma once
// An index buffer of 16- or 32-bit indices, locked and copied like a vertex
// buffer.

#include "backend/gpu/GpuResource.h"

#include <vector>

namespace backend {

class GpuIndexBuffer : public GpuResource {
public:
    GpuResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    GpuResult Unlock();
    GpuResult GetDesc(GpuIndexBufferDesc* desc) const;

    uint32_t GetSize() const { return uint32_t(bytes.size()); }
    GpuFormat GetFormat() const { return format; }
    uint32_t IndexSize() const { return format == D3DFMT_INDEX32 ? 4u : 2u; }
    uint32_t GlName() const { return glName; }
    const uint8_t* Bytes() const { return bytes.data(); }
    // Largest index anywhere in the buffer (kept up to date by Unlock).
    uint32_t MaxIndex();
    // Largest of `count` indices from `first`.
    uint32_t MaxIndex(uint64_t first, uint64_t count) const;

private:
    friend class GpuDevice;
    GpuIndexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, GpuFormat indexFormat,
                   GpuPool memoryPool);
    ~GpuIndexBuffer() override;
    void FreeGlObjects() override;
    bool Allocate();

    std::vector<uint8_t> bytes;
    GpuFormat format;
    uint32_t glName = 0;
    uint32_t length; // bytes to allocate
    bool locked = false;
    uint32_t lockOffset = 0;
    uint32_t lockSize = 0;
    uint32_t maxIndex = 0;
    bool maxIndexKnown = false;
};

} // namespace backend
