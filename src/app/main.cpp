// Vantrel: the program's entry point. For now it opens the game window and the
// device, draws a few empty frames and shuts down again.

#include "backend/gpu/GpuDevice.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Window.h"

namespace {

constexpr int FRAME_COUNT = 3;

bool StartUp()
{
    if (!g_Window.CheckSingleInstance("Vantrel"))
        return false;
    if (!g_Window.Create(nullptr, backend::SW_SHOWDEFAULT, 121, backend::IDC_ARROW, nullptr, 800, 600, true,
                         WindowProc))
        return false;
    if (!g_RenderDevice.Init())
        return false;
    backend::GpuDisplayMode mode;
    mode.Width = 800;
    mode.Height = 600;
    mode.Format = backend::D3DFMT_X8R8G8B8;
    return g_RenderDevice.CreateDevice(g_Window.hWnd, mode, backend::D3DDEVTYPE_HAL,
                                       backend::D3DCREATE_HARDWARE_VERTEXPROCESSING, true, backend::D3DFMT_D24S8, 1,
                                       true);
}

void ShutDown()
{
    g_RenderDevice.Shutdown();
    g_Window.ShowMouseCursor();
    ShowLastError(g_Window.created ? g_Window.hWnd : nullptr, "Vantrel");
    g_Window.Destroy();
}

} // namespace

int main()
{
    if (StartUp()) {
        for (int frame = 0; frame < FRAME_COUNT; ++frame) {
            backend::Message message;
            if (backend::PeekMessage(message)) {
                if (message.message == backend::WM_QUIT)
                    break;
                backend::TranslateMessage(message);
                backend::DispatchMessage(message);
            }
            backend::GpuDevice* device = g_RenderDevice.device;
            if (device->TestCooperativeLevel() != backend::GPU_OK)
                continue;
            device->Clear(0, nullptr, backend::D3DCLEAR_TARGET | backend::D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
            if (backend::GpuSucceeded(device->BeginScene()))
                device->EndScene();
            device->Present();
        }
    }
    ShutDown();
    return g_LastError.empty() ? 0 : 1;
}
