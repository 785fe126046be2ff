#include "race/Race.h"

#include "tracks/Track.h"

#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

void Race::Draw(bool withHud, BitmapFont* font)
{
    Render();
    if (!withHud)
        return;
    g_RenderDevice.ChangeTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    RenderHud(font);
    g_RenderDevice.RevertTextureStageState(0, D3DTSS_MIPFILTER);
}

void Race::Render()
{
    GpuDevice* device = g_RenderDevice.device;
    device->SetTransform(D3DTS_VIEW, &camera.view);
    device->SetTransform(D3DTS_PROJECTION, &camera.projection);
    track->Render(&camera);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    track->environmentMap.Apply(1, D3DTOP_BLENDCURRENTALPHA, &camera, false);
    playerMoped.Render(&camera, false);
    track->environmentMap.Remove();
    playerMoped.RenderRider(&camera, false);
    track->RenderTransparent(&camera);
    track->RenderLensFlare(&camera);
    playerMoped.RenderEffects(&camera);
    track->RenderParticles(&camera);
}
