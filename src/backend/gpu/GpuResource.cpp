#include "backend/gpu/GpuResource.h"

#include "backend/gpu/GpuDevice.h"

namespace backend {

GpuResource::GpuResource(GpuDevice* owner, GpuResourceType resourceType, GpuPool memoryPool, uint32_t usageFlags)
    : device(owner), type(resourceType), pool(memoryPool), usage(usageFlags)
{
    if (device)
        device->RegisterResource(this);
}

GpuResource::~GpuResource()
{
    if (device)
        device->UnregisterResource(this);
}

void GpuResource::DetachFromDevice()
{
    FreeGlObjects();
    device = nullptr;
}

} // namespace backend
