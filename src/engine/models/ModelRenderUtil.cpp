#include "engine/models/ModelRenderUtil.h"

#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

void SetModelVertexFormat(uint32_t fvf)
{
    RenderDevice& rd = g_RenderDevice;
    if (rd.currentVertexShader == fvf)
        return;
    if (GpuSucceeded(rd.device->SetVertexShader(fvf)))
        rd.currentVertexShader = fvf;
}

void BeginFlatColour()
{
    RenderDevice& rd = g_RenderDevice;
    rd.device->SetRenderState(D3DRS_ZENABLE, 0);
    rd.device->SetRenderState(D3DRS_TEXTUREFACTOR, 0);
    rd.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    rd.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
}
