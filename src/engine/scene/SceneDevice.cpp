#include "engine/scene/SceneDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

bool SetVertexFormat(uint32_t fvf)
{
    if (g_RenderDevice.currentVertexShader == fvf)
        return true;
    if (GpuFailed(g_RenderDevice.device->SetVertexShader(fvf)))
        return false;
    g_RenderDevice.currentVertexShader = fvf;
    return true;
}

bool DrawIndexed(uint32_t type, uint32_t minIndex, uint32_t vertexCount, uint32_t startIndex, uint32_t primitiveCount)
{
    if (GpuFailed(g_RenderDevice.device->DrawIndexedPrimitive(GpuPrimitiveType(type), minIndex, vertexCount, startIndex,
                                                              primitiveCount)))
        return false;
    g_RenderDevice.primitiveCount += primitiveCount;
    return true;
}
