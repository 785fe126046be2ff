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

void SetAlphaBlending()
{
    RenderDevice& rd = g_RenderDevice;
    rd.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void BeginDot3Stages()
{
    RenderDevice& rd = g_RenderDevice;
    rd.ChangeTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    rd.ChangeTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3);
    rd.ChangeTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
    rd.ChangeTextureStageState(2, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
}

void EndDot3Stages()
{
    RenderDevice& rd = g_RenderDevice;
    rd.RevertTextureStageState(2, D3DTSS_COLORARG1);
    rd.RevertTextureStageState(2, D3DTSS_COLOROP);
    rd.RevertTextureStageState(2, D3DTSS_ALPHAOP);
    rd.RevertTextureStageState(1, D3DTSS_COLOROP);
    rd.RevertTextureStageState(1, D3DTSS_ALPHAOP);
    rd.RevertTextureStageState(0, D3DTSS_COLOROP);
    rd.RevertTextureStageState(0, D3DTSS_COLORARG2);
}
