#pragma once
// Reference counting of the device's objects: created with a count of one,
// AddRef and Release return the new count, and the object deletes itself when
// the count reaches zero.

#include <cstdint>

namespace backend {

class GpuRefCounted {
public:
    GpuRefCounted(const GpuRefCounted&) = delete;
    GpuRefCounted& operator=(const GpuRefCounted&) = delete;

    uint32_t AddRef() { return ++refCount; }
    uint32_t Release();
    uint32_t GetRefCount() const { return refCount; }

protected:
    GpuRefCounted() = default;
    virtual ~GpuRefCounted() = default;
    // Called instead of deleting when the count reaches zero; an owner that
    // keeps the object alive (the device's back buffer) overrides it.
    virtual void OnLastRelease() { delete this; }

private:
    uint32_t refCount = 1;
};

} // namespace backend
