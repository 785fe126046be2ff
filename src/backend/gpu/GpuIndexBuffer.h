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

    uint32_t GetSize() const { return uint32_t(m_bytes.size()); }
    GpuFormat GetFormat() const { return m_format; }
    uint32_t IndexSize() const { return m_format == D3DFMT_INDEX32 ? 4u : 2u; }
    uint32_t GlName() const { return m_glName; }
    const uint8_t* Bytes() const { return m_bytes.data(); }
    // Largest index anywhere in the buffer (kept up to date by Unlock).
    uint32_t MaxIndex();
    // Largest of `count` indices from `first`.
    uint32_t MaxIndex(uint64_t first, uint64_t count) const;

private:
    friend class GpuDevice;
    GpuIndexBuffer(GpuDevice* device, uint32_t length, uint32_t usage, GpuFormat format, GpuPool pool);
    ~GpuIndexBuffer() override;
    void FreeGlObjects() override;
    bool Allocate();

    std::vector<uint8_t> m_bytes;
    GpuFormat m_format;
    uint32_t m_glName = 0;
    uint32_t m_length; // bytes to allocate
    bool m_locked = false;
    uint32_t m_lockOffset = 0;
    uint32_t m_lockSize = 0;
    uint32_t m_maxIndex = 0;
    bool m_maxIndexKnown = false;
};

} // namespace backend
