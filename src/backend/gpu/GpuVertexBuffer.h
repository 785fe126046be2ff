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

    uint32_t GetSize() const { return uint32_t(bytes.size()); }
    uint32_t GetFvf() const { return fvf; }
    uint32_t GlName() const { return glName; }
    const uint8_t* Bytes() const { return bytes.data(); }

private:
    friend class GpuDevice;
    GpuVertexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, uint32_t vertexFormat,
                    GpuPool memoryPool);
    ~GpuVertexBuffer() override;
    void FreeGlObjects() override;
    bool Allocate();

    std::vector<uint8_t> bytes;
    uint32_t fvf;
    uint32_t glName = 0;
    uint32_t length; // bytes to allocate
    bool locked = false;
    uint32_t lockOffset = 0;
    uint32_t lockSize = 0;
    uint32_t lockFlags = 0;
};

} // namespace backend
