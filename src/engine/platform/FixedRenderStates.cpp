#include "engine/platform/FixedRenderStates.h"

#include "engine/platform/RenderDevice.h"

using namespace backend;

void SetFixedRenderStates()
{
    RenderDevice& rd = g_RenderDevice;
    rd.SetRenderState(D3DRS_ZENABLE, 1);
    rd.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    rd.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    rd.SetRenderState(D3DRS_DITHERENABLE, 1);
    rd.SetRenderState(D3DRS_SPECULARENABLE, 1);
    rd.SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    rd.SetRenderState(D3DRS_LIGHTING, 1);
}
