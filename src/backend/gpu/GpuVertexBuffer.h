#pragma once
// A vertex buffer. Lock hands out the buffer's copy in memory; Unlock copies
// the locked range to the GL buffer, so a buffer rewritten between draws never
// changes what earlier draws used.

#include "backend/gpu/GpuResource.h"

#include <vector>

namespace backend {

class GpuVertexBuffer : public GpuResource {
public:
    // size 0 locks from offset to the end.
    GpuResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    GpuResult Unlock();
    GpuResult GetDesc(GpuVertexBufferDesc* desc) const;

    uint32_t GetSize() const { return uint32_t(m_bytes.size()); }
    uint32_t GetFvf() const { return m_fvf; }
    uint32_t GlName() const { return m_glName; }
    const uint8_t* Bytes() const { return m_bytes.data(); }

private:
    friend class GpuDevice;
    GpuVertexBuffer(GpuDevice* device, uint32_t length, uint32_t usage, uint32_t fvf, GpuPool pool);
    ~GpuVertexBuffer() override;
    void FreeGlObjects() override;
    bool Allocate();

    std::vector<uint8_t> m_bytes;
    uint32_t m_fvf;
    uint32_t m_glName = 0;
    uint32_t m_length; // bytes to allocate
    bool m_locked = false;
    uint32_t m_lockOffset = 0;
    uint32_t m_lockSize = 0;
    uint32_t m_lockFlags = 0;
};

} // namespace backend
