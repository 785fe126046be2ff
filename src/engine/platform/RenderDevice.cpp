#include "engine/platform/RenderDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuLog.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/math/MatrixMath.h"
#include "backend/window/SystemWindow.h"
#include "engine/platform/Log.h"

using namespace backend;

RenderDevice g_RenderDevice;

namespace {

bool IsRenderState(uint32_t state)
{
    return state < GPU_RENDER_STATE_COUNT;
}

bool IsStageState(uint32_t stage, uint32_t type)
{
    return stage < GPU_STAGE_COUNT && type < GPU_STAGE_STATE_COUNT;
}

} // namespace

bool RenderDevice::Init()
{
    LogMessage("\nInitializing Direct3D8...");
    // What the device cannot draw goes to the log, one line each.
    SetGpuLogHook([](const char* line) { LogFormat("\n%s", line); });
    direct3D = CreateGpuSystem();
    if (direct3D == nullptr)
        return ReportError("Error initializing Direct3D8!");
    return true;
}

bool RenderDevice::CreateDevice(NativeWindow* window, GpuDisplayMode mode, uint32_t deviceType, uint32_t behaviorFlags,
                                bool autoDepthStencil, uint32_t depthStencilFormat, uint32_t backBufferCount,
                                bool windowed)
{
    if (direct3D == nullptr)
        return ReportError("Error creating Direct3D8 device!");

    presentParameters = GpuPresentParameters();
    presentParameters.Windowed = windowed ? 1 : 0;
    presentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParameters.MultiSampleType = 0;
    presentParameters.hDeviceWindow = window;

    if (!windowed) {
        presentParameters.BackBufferFormat = mode.Format;
        presentParameters.BackBufferWidth = mode.Width;
        presentParameters.BackBufferHeight = mode.Height;
        presentParameters.FullScreen_RefreshRateInHz = 0;
        presentParameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    } else {
        LogMessage("\nGetting adapter's display mode...");
        GpuDisplayMode desktop;
        if (GpuFailed(direct3D->GetAdapterDisplayMode(0, &desktop)))
            return ReportError("Error getting adapter's display mode!");
        presentParameters.BackBufferFormat = desktop.Format;
        if (window == nullptr || !IsWindowAlive(window))
            return ReportError("Error getting window dimensions!");
        const WindowGeometry geometry = GetWindowGeometry(window);
        presentParameters.BackBufferWidth = uint32_t(geometry.clientWidth);
        presentParameters.BackBufferHeight = uint32_t(geometry.clientHeight);
        presentParameters.FullScreen_RefreshRateInHz = 0;
        presentParameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    }

    presentParameters.BackBufferCount = backBufferCount;
    presentParameters.EnableAutoDepthStencil = autoDepthStencil ? 1 : 0;
    presentParameters.AutoDepthStencilFormat = GpuFormat(depthStencilFormat);

    LogFormat("\nCreating Direct3D device (%u, %u)...", presentParameters.BackBufferWidth,
              presentParameters.BackBufferHeight);
    if (GpuFailed(
            direct3D->CreateDevice(0, GpuDeviceType(deviceType), window, behaviorFlags, &presentParameters, &device))) {
        device = nullptr;
        return ReportError("Error creating Direct3D8 device!");
    }

    GpuSurface* backBuffer = nullptr;
    if (GpuSucceeded(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) && backBuffer != nullptr) {
        backBuffer->GetDesc(&backBufferDesc);
        backBuffer->Release();
    }

    LogMessage("\nGetting device caps...");
    if (GpuFailed(device->GetDeviceCaps(&caps)))
        return ReportError("Error getting Direct3D8 device capabilities!");

    canSetGamma = (caps.Caps2 & D3DCAPS2_FULLSCREENGAMMA) != 0;
    calibrateGamma = (caps.Caps2 & D3DCAPS2_CANCALIBRATEGAMMA) != 0 ? 1 : 0;

    for (uint32_t i = 0; i < 256; ++i) {
        const uint16_t value = uint16_t(i << 8);
        gammaRamp.red[i] = value;
        gammaRamp.green[i] = value;
        gammaRamp.blue[i] = value;
    }

    ApplyGammaRamp();
    ResetStateCache();
    return true;
}

void RenderDevice::ResetStateCache()
{
    currentVertexShader = 0xFFFFFFFFu;
    for (GpuBaseTexture*& texture : currentTexture)
        texture = nullptr;
}

void RenderDevice::Begin2D(float width, float height)
{
    Matrix projection, identity;
    MatrixOrthoLH(&projection, width, height, 0.0f, 1.0f);
    MatrixIdentity(&identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_LIGHTING, 0);
}

bool RenderDevice::SaveRenderState(uint32_t state)
{
    if (!IsRenderState(state))
        return false;
    device->GetRenderState(state, &savedRenderStates[state]);
    return true;
}

bool RenderDevice::ChangeRenderState(uint32_t state, uint32_t value)
{
    if (!SaveRenderState(state))
        return false;
    return GpuSucceeded(device->SetRenderState(state, value));
}

bool RenderDevice::RevertRenderState(uint32_t state)
{
    if (!IsRenderState(state))
        return false;
    return GpuSucceeded(device->SetRenderState(state, savedRenderStates[state]));
}

bool RenderDevice::SaveTextureStageState(uint32_t stage, uint32_t type)
{
    if (!IsStageState(stage, type))
        return false;
    device->GetTextureStageState(stage, type, &savedTextureStageStates[stage][type]);
    return true;
}

bool RenderDevice::ChangeTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    if (!SaveTextureStageState(stage, type))
        return false;
    return GpuSucceeded(device->SetTextureStageState(stage, type, value));
}

bool RenderDevice::RevertTextureStageState(uint32_t stage, uint32_t type)
{
    if (!IsStageState(stage, type))
        return false;
    return GpuSucceeded(device->SetTextureStageState(stage, type, savedTextureStageStates[stage][type]));
}

void RenderDevice::ApplyGammaRamp()
{
    if (canSetGamma && device != nullptr)
        device->SetGammaRamp(calibrateGamma != 0 ? D3DSGR_CALIBRATE : D3DSGR_NO_CALIBRATION, &gammaRamp);
}

void RenderDevice::Shutdown()
{
    LogMessage("\nUninitializing Direct3D8...");
    if (device != nullptr) {
        device->Release();
        device = nullptr;
    }
    if (direct3D != nullptr) {
        direct3D->Release();
        direct3D = nullptr;
    }
}

bool RenderDevice::SetRenderState(uint32_t state, uint32_t value)
{
    return GpuSucceeded(device->SetRenderState(state, value));
}

bool RenderDevice::SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    return GpuSucceeded(device->SetTextureStageState(stage, type, value));
}

bool RenderDevice::DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t count)
{
    if (GpuFailed(device->DrawPrimitive(GpuPrimitiveType(type), startVertex, count)))
        return false;
    primitiveCount += count;
    return true;
}

bool RenderDevice::SetStreamSource(uint32_t stream, GpuVertexBuffer* buffer, uint32_t stride)
{
    return GpuSucceeded(device->SetStreamSource(stream, buffer, stride));
}

bool RenderDevice::SetTexture(uint32_t stage, GpuBaseTexture* texture)
{
    if (stage >= GPU_STAGE_COUNT)
        return false;
    if (currentTexture[stage] == texture)
        return true;
    if (GpuFailed(device->SetTexture(stage, texture)))
        return false;
    currentTexture[stage] = texture;
    return true;
}
