#pragma once
// Base of every object a device creates: its type, pool and usage, and its
// link to the device, which keeps a list of the live resources (for the reset
// rule and for releasing GL objects when the device goes first).

#include "backend/gpu/GpuRefCounted.h"
#include "backend/gpu/GpuTypes.h"

namespace backend {

class GpuDevice;

class GpuResource : public GpuRefCounted {
public:
    GpuResourceType GetType() const { return type; }
    GpuPool GetPool() const { return pool; }
    uint32_t GetUsage() const { return usage; }
    // Null once the device that made the resource is gone.
    GpuDevice* GetDevice() const { return device; }
    // True for objects that must be released before the device can be reset.
    bool BlocksReset() const { return pool == D3DPOOL_DEFAULT; }

protected:
    GpuResource(GpuDevice* owner, GpuResourceType resourceType, GpuPool memoryPool, uint32_t usageFlags);
    ~GpuResource() override;

    // Frees the GL objects while the context still exists; called by the
    // device when it is destroyed before the resource.
    virtual void FreeGlObjects() {}

private:
    friend class GpuDevice;
    void DetachFromDevice();

    GpuDevice* device;
    GpuResourceType type;
    GpuPool pool;
    uint32_t usage;
};

} // namespace backend
