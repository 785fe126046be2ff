#include "app/DeviceStates.h"

#include "engine/platform/DeviceSettings.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

void BeginAlphaBlend()
{
    RenderDevice& rd = g_RenderDevice;
    rd.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    rd.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    rd.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    rd.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    rd.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    rd.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

void EndAlphaBlend()
{
    g_RenderDevice.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
}

void SetMipFilter(uint32_t filter)
{
    g_RenderDevice.SetTextureStageState(0, D3DTSS_MIPFILTER, filter);
    g_RenderDevice.SetTextureStageState(1, D3DTSS_MIPFILTER, filter);
}

void SetSamplerStates(uint32_t mipFilter)
{
    for (uint32_t stage = 0; stage < 2; ++stage) {
        g_RenderDevice.SetTextureStageState(stage, D3DTSS_MINFILTER, g_DeviceSettings.minMagFilter);
        g_RenderDevice.SetTextureStageState(stage, D3DTSS_MAGFILTER, g_DeviceSettings.minMagFilter);
        g_RenderDevice.SetTextureStageState(stage, D3DTSS_MIPFILTER, mipFilter);
        g_RenderDevice.SetTextureStageState(stage, D3DTSS_MAXANISOTROPY, g_DeviceSettings.maxAnisotropy);
    }
}
