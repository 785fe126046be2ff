#pragma once
// A vertex buffer: the shared buffer storage and its vertex format. An unlock
// after a discard lock gives the GL buffer new storage.

#include "backend/gpu/GpuBuffer.h"

namespace backend {

class GpuVertexBuffer : public GpuBuffer {
public:
    GpuResult GetDesc(GpuVertexBufferDesc* desc) const;

    uint32_t GetFvf() const { return fvf; }

private:
    friend class GpuDevice;
    GpuVertexBuffer(GpuDevice* owner, uint32_t byteLength, uint32_t usageFlags, uint32_t vertexFormat,
                    GpuPool memoryPool);

    uint32_t fvf;
};

} // namespace backend
