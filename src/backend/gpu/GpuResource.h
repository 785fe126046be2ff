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
    GpuResourceType GetType() const { return m_type; }
    GpuPool GetPool() const { return m_pool; }
    uint32_t GetUsage() const { return m_usage; }
    // Null once the device that made the resource is gone.
    GpuDevice* GetDevice() const { return m_device; }
    // True for objects that must be released before the device can be reset.
    bool BlocksReset() const { return m_pool == D3DPOOL_DEFAULT; }

protected:
    GpuResource(GpuDevice* device, GpuResourceType type, GpuPool pool, uint32_t usage);
    ~GpuResource() override;

    // Frees the GL objects while the context still exists; called by the
    // device when it is destroyed before the resource.
    virtual void FreeGlObjects() {}

private:
    friend class GpuDevice;
    void DetachFromDevice();

    GpuDevice* m_device;
    GpuResourceType m_type;
    GpuPool m_pool;
    uint32_t m_usage;
};

} // namespace backend
