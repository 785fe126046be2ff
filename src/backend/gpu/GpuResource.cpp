#include "backend/gpu/GpuResource.h"

#include "backend/gpu/GpuDevice.h"

namespace backend {

GpuResource::GpuResource(GpuDevice* device, GpuResourceType type, GpuPool pool, uint32_t usage)
    : m_device(device), m_type(type), m_pool(pool), m_usage(usage)
{
    if (m_device)
        m_device->RegisterResource(this);
}

GpuResource::~GpuResource()
{
    if (m_device)
        m_device->UnregisterResource(this);
}

void GpuResource::DetachFromDevice()
{
    FreeGlObjects();
    m_device = nullptr;
}

} // namespace backend
