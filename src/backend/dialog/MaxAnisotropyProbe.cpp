#include "backend/dialog/MaxAnisotropyProbe.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/window/NativeWindow.h"

#include <SDL.h>

namespace backend {

namespace {

constexpr int PROBE_SIZE = 64;

} // namespace

uint32_t ProbeMaxAnisotropy()
{
    GpuSystem* system = CreateGpuSystem();
    if (!system)
        return 0;
    uint32_t maxAnisotropy = 0;
    NativeWindow window;
    window.sdlWindow = SDL_CreateWindow("Vantrel", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, PROBE_SIZE,
                                        PROBE_SIZE, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window.sdlWindow) {
        GpuPresentParameters parameters;
        parameters.BackBufferWidth = PROBE_SIZE;
        parameters.BackBufferHeight = PROBE_SIZE;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.hDeviceWindow = &window;
        parameters.Windowed = true;
        GpuDevice* device = nullptr;
        if (GpuSucceeded(system->CreateDevice(0, D3DDEVTYPE_HAL, &window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                              &parameters, &device))) {
            GpuCaps caps;
            if (GpuSucceeded(device->GetDeviceCaps(&caps)))
                maxAnisotropy = caps.MaxAnisotropy;
            device->Release();
        }
        SDL_DestroyWindow(window.sdlWindow);
    }
    system->Release();
    return maxAnisotropy;
}

} // namespace backend
