#include "app/MainLoop.h"

#include "app/FrameFunctions.h"
#include "app/FrontEnd.h"
#include "backend/gpu/GpuDevice.h"
#include "backend/window/MessageQueue.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

DeviceCheck CheckDevice()
{
    const backend::GpuResult result = g_RenderDevice.device->TestCooperativeLevel();
    if (backend::GpuSucceeded(result))
        return DEVICE_READY;
    if (result == backend::GPUERR_DEVICELOST)
        return DEVICE_LOST;
    if (result == backend::GPUERR_DEVICENOTRESET)
        return ResetDevice() ? DEVICE_READY : DEVICE_RESET_FAILED;
    return DEVICE_READY;
}

LoopTurn RunLoopTurn(Timer& frameTimer, backend::Message& lastMessage)
{
    backend::Message message;
    if (backend::PeekMessage(message)) {
        lastMessage = message;
        if (message.message == backend::WM_QUIT)
            return TURN_QUIT;
        backend::TranslateMessage(message);
        backend::DispatchMessage(message);
    }
    frameTimer.Tick();
    const DeviceCheck check = CheckDevice();
    if (check == DEVICE_RESET_FAILED)
        return TURN_RESET_FAILED;
    if (check == DEVICE_READY) {
        RenderFrame();
        ProcessInput();
        UpdateFrame();
        if (g_GameState == GAMESTATE_QUIT)
            return TURN_QUIT;
        if (g_FramePending) {
            g_RenderDevice.device->Present();
            g_RenderDevice.primitiveCount = 0;
            g_FramePending = false;
        }
    }
    frameTimer.WaitUntilElapsed(FRAME_SECONDS);
    return TURN_GO_ON;
}
