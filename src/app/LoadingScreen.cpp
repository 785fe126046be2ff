// The loading frames shown during start-up and before a track loads.

#include "app/Application.h"
#include "app/FrontEnd.h"
#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"

namespace {

void ClearToWhite()
{
    g_RenderDevice.device->Clear(0, nullptr,
                                 backend::D3DCLEAR_TARGET | backend::D3DCLEAR_ZBUFFER | backend::D3DCLEAR_STENCIL,
                                 0xFFFFFFFFu, 1.0f, 0);
}

void PresentNow()
{
    g_RenderDevice.device->Present();
    g_RenderDevice.primitiveCount = 0;
}

} // namespace

void RenderLoadingProgress()
{
    ClearToWhite();
    backend::GpuDevice* device = g_RenderDevice.device;
    if (backend::GpuSucceeded(device->BeginScene())) {
        g_RenderDevice.Begin2D(800.0f, 600.0f);
        g_LoadingImage.SetPosition(0.0f, 0.0f, 3);
        g_LoadingImage.Render();
        for (int block = 0; block < g_LoadingProgress; ++block) {
            g_LoadingBlockImage.SetPosition(302.0f + 20.0f * float(block), 0.0f, 2);
            g_LoadingBlockImage.Render();
        }
        ++g_LoadingProgress;
        device->EndScene();
    }
    PresentNow();
}

void RenderLoadingTrackScreen()
{
    ClearToWhite();
    backend::GpuDevice* device = g_RenderDevice.device;
    if (backend::GpuSucceeded(device->BeginScene())) {
        g_RenderDevice.Begin2D(800.0f, 600.0f);
        g_Font.DrawText("Loading Track...", 400.0f, 292.0f, 0.65f, 0.0f, 0xFFFFFFFFu, 1);
        device->EndScene();
    }
    PresentNow();
    g_FramePending = false;
}
