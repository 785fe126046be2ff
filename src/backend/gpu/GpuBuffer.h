#pragma once
// The storage shared by vertex and index buffers. Lock hands out the buffer's
// copy in memory; Unlock copies the locked range to the GL buffer, so a buffer
// rewritten between draws never changes what earlier draws used.

#include "backend/gpu/GpuResource.h"

#include <vector>

namespace backend {

class GpuBuffer : public GpuResource {
public:
    // size 0 locks from offset to the end.
    GpuResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    GpuResult Unlock();

    uint32_t GetSize() const { return uint32_t(bytes.size()); }
    uint32_t GlName() const { return glName; }
    const uint8_t* Bytes() const { return bytes.data(); }

protected:
    // `bindTarget` is the GL binding point; with `orphanDiscard` an unlock
    // after a discard lock replaces the whole GL storage instead of a range.
    GpuBuffer(GpuDevice* owner, GpuResourceType resourceType, uint32_t byteLength, uint32_t usageFlags,
              GpuPool memoryPool, uint32_t bindTarget, bool orphanDiscard);
    ~GpuBuffer() override;
    void FreeGlObjects() override;

    std::vector<uint8_t> bytes;
    bool locked = false;
    uint32_t lockSize = 0; // 0 for a read-only lock: nothing to copy back

private:
    friend class GpuDevice;
    bool Allocate();

    uint32_t target;
    bool orphanOnDiscard;
    uint32_t glName = 0;
    uint32_t length; // bytes to allocate
    uint32_t lockOffset = 0;
    uint32_t lockFlags = 0;
};

} // namespace backend
