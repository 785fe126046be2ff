#pragma once
// The storage shared by vertex and index buffers. Lock hands out the buffer's
// copy in memory; Unlock copies the locked range to the GL buffer, so a buffer
// rewritten between draws never changes what earlier draws used. A buffer made
// to leave its bytes to GL drops its copy after the first write; a later lock
// reads the copy back from GL and keeps it.

#include "backend/gpu/GpuResource.h"

#include <vector>

namespace backend {

class GpuBuffer : public GpuResource {
public:
    // size 0 locks from offset to the end.
    GpuResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    GpuResult Unlock();

    uint32_t GetSize() const { return length; }
    uint32_t GlName() const { return glName; }
    // The bytes (for tests: one left to GL gets its copy back, as by a lock).
    const uint8_t* Bytes()
    {
        if (inGlOnly)
            RestoreCopy();
        return bytes.data();
    }
    // Whether the bytes have a copy in memory (for tests).
    bool HoldsCopy() const { return !bytes.empty(); }

protected:
    // `bindTarget` is the GL binding point; with `orphanDiscard` an unlock
    // after a discard lock replaces the whole GL storage instead of a range.
    GpuBuffer(GpuDevice* owner, GpuResourceType resourceType, uint32_t byteLength, uint32_t usageFlags,
              GpuPool memoryPool, uint32_t bindTarget, bool orphanDiscard);
    // Nothing but a lock reads the bytes: a buffer that is not dynamic keeps
    // them in GL only once written.
    void LeaveBytesToGl() { leaveToGl = (GetUsage() & D3DUSAGE_DYNAMIC) == 0; }
    // Whether the next unlock of a write drops the copy.
    bool DropsCopyOnUnlock() const { return leaveToGl && !keepCopy; }
    ~GpuBuffer() override;
    void FreeGlObjects() override;

    std::vector<uint8_t> bytes;
    bool locked = false;
    uint32_t lockSize = 0; // 0 for a read-only lock: nothing to copy back

private:
    friend class GpuDevice;
    bool Allocate();
    // The copy read back from GL; false when there is no GL buffer or no memory.
    bool RestoreCopy();

    uint32_t target;
    bool orphanOnDiscard;
    uint32_t glName = 0;
    uint32_t length; // bytes to allocate
    uint32_t lockOffset = 0;
    uint32_t lockFlags = 0;
    bool leaveToGl = false;
    bool inGlOnly = false;
    bool keepCopy = false; // locked again after the copy was dropped
};

} // namespace backend
