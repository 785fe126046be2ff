#include "BenchDevice.h"

#include "engine/platform/RenderDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuDriverEnvironment.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"

#include <cstdint>
#include <cstdlib>

using namespace backend;

namespace {

intptr_t BenchWindowProc(NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

} // namespace

BenchDevice::BenchDevice(const char* className, bool fixedStates, int width, int height) : className(className)
{
    WindowClass windowClass;
    windowClass.procedure = BenchWindowProc;
    windowClass.className = className;
    if (!RegisterWindowClass(windowClass))
        return;
    window = CreateWindow(className, "Vantrel", WS_VISIBLE, 0, 0, width, height, nullptr);
    GpuDisplayMode mode;
    mode.Width = uint32_t(width);
    mode.Height = uint32_t(height);
    mode.Format = D3DFMT_X8R8G8B8;
    ready = window != nullptr && g_RenderDevice.Init() &&
            g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, true,
                                        D3DFMT_D24S8, 1, true);
    if (!ready || !fixedStates)
        return;
    GpuDevice* gpu = g_RenderDevice.device;
    gpu->SetRenderState(D3DRS_ZENABLE, 1);
    gpu->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    gpu->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    gpu->SetRenderState(D3DRS_DITHERENABLE, 1);
    gpu->SetRenderState(D3DRS_SPECULARENABLE, 1);
    gpu->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    gpu->SetRenderState(D3DRS_LIGHTING, 1);
    for (uint32_t stage = 0; stage < 2; ++stage) {
        gpu->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        gpu->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        gpu->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
}

BenchDevice::~BenchDevice()
{
    g_RenderDevice.Shutdown();
    if (window != nullptr)
        DestroyWindow(window);
    UnregisterWindowClass(className, nullptr);
}

void BenchDevice::UseHeadlessDrivers()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    UseSerialSoftwareRasteriser();
}
