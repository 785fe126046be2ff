#include "backend/gpu/GpuDevice.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuDriverTimer.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuLog.h"
#include "backend/gpu/GpuPipeline.h"
#include "backend/gpu/GpuPixelFormat.h"
#include "backend/gpu/GpuShaderSource.h"
#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/window/NativeWindow.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace backend {

namespace {

// Replaces a referenced pointer, taking the new reference before dropping the old one.
template <typename T> void Rebind(T*& slot, T* value)
{
    if (value)
        value->AddRef();
    T* old = slot;
    slot = value;
    if (old)
        old->Release();
}

const GpuStateBlock& DefaultStates()
{
    static const GpuStateBlock defaults = [] {
        GpuStateBlock block;
        block.SetDefaults(0, 0);
        return block;
    }();
    return defaults;
}

// What ReportUnsupported keys on: a kind in the top byte, the number below.
enum : uint32_t {
    UNSUPPORTED_RENDER_STATE = 1u << 24,
    UNSUPPORTED_LIGHT = 2u << 24,
    UNSUPPORTED_TEXTURE_OP = 3u << 24
};

} // namespace

GpuDevice::GpuDevice(GpuSystem* creator, NativeWindow* nativeWindow)
    : system(creator), window(nativeWindow), state(std::make_unique<GpuStateBlock>())
{
    system->AddRef();
    for (uint32_t i = 0; i < 256; ++i)
        gammaRamp.red[i] = gammaRamp.green[i] = gammaRamp.blue[i] = uint16_t(i << 8);
}

GpuDevice::~GpuDevice()
{
    if (watchingEvents)
        SDL_DelEventWatch(&GpuDevice::WatchWindowEvents, this);
    if (context) {
        context->MakeCurrent();
        DropBindings();
        ReleaseDeviceSurfaces();
        // Whatever the game still holds loses its GL objects now, while the context exists.
        std::vector<GpuResource*> remaining(resources.begin(), resources.end());
        for (GpuResource* resource : remaining)
            resource->DetachFromDevice();
        resources.clear();
        pipeline.reset();
        context.reset();
    }
    system->Release();
}

GpuResult GpuDevice::Initialise(GpuPresentParameters* presentParameters)
{
    if (!window || !window->sdlWindow)
        return GPUERR_INVALIDCALL;
    std::string error;
    context = GpuGlContext::Create(window->sdlWindow, error);
    if (!context) {
        SDL_SetError("%s", error.c_str());
        return GPUERR_NOTAVAILABLE;
    }
    pipeline = std::make_unique<GpuPipeline>(*context);
    SDL_AddEventWatch(&GpuDevice::WatchWindowEvents, this);
    watchingEvents = true;
    return ApplyPresentParameters(presentParameters);
}

// Present parameters the device can never take, found before anything is changed.
GpuResult GpuDevice::CheckPresentParameters(const GpuPresentParameters& pp) const
{
    if (pp.BackBufferCount > 3 || (pp.EnableAutoDepthStencil && !GpuFormatIsDepth(pp.AutoDepthStencilFormat)))
        return GPUERR_INVALIDCALL;
    if (!pp.Windowed && (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0))
        return GPUERR_INVALIDCALL;
    if (!(pp.Windowed && pp.BackBufferFormat == D3DFMT_UNKNOWN) && !GpuFormatIsRenderTarget(pp.BackBufferFormat))
        return GPUERR_INVALIDCALL;
    if (pp.BackBufferWidth > context->MaxTextureSize() || pp.BackBufferHeight > context->MaxTextureSize())
        return GPUERR_INVALIDCALL;
    return GPU_OK;
}

GpuResult GpuDevice::ApplyPresentParameters(GpuPresentParameters* pp)
{
    SDL_Window* sdlWindow = window->sdlWindow;
    if (GpuResult check = CheckPresentParameters(*pp); GpuFailed(check))
        return check;
    if (pp->Windowed) {
        if (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN)
            SDL_SetWindowFullscreen(sdlWindow, 0);
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) {
            int width = 0, height = 0;
            SDL_GL_GetDrawableSize(sdlWindow, &width, &height);
            if (pp->BackBufferWidth == 0)
                pp->BackBufferWidth = uint32_t(std::max(width, 1));
            if (pp->BackBufferHeight == 0)
                pp->BackBufferHeight = uint32_t(std::max(height, 1));
        }
        if (pp->BackBufferFormat == D3DFMT_UNKNOWN)
            pp->BackBufferFormat = D3DFMT_X8R8G8B8;
    } else {
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0)
            return GPUERR_INVALIDCALL;
        SDL_DisplayMode mode = {};
        mode.format = SDL_PIXELFORMAT_RGB888;
        mode.w = int(pp->BackBufferWidth);
        mode.h = int(pp->BackBufferHeight);
        mode.refresh_rate = int(pp->FullScreen_RefreshRateInHz);
        // The window system may refuse a mode change; the picture is scaled then.
        SDL_SetWindowDisplayMode(sdlWindow, &mode);
        SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN);
    }
    if (!GpuFormatIsRenderTarget(pp->BackBufferFormat))
        return GPUERR_INVALIDCALL;
    if (pp->BackBufferCount == 0)
        pp->BackBufferCount = 1;
    if (!context->ResizeBackBuffer(pp->BackBufferWidth, pp->BackBufferHeight, GpuFormatHasAlpha(pp->BackBufferFormat)))
        return GPUERR_OUTOFVIDEOMEMORY;

    GpuSurfaceDesc desc;
    desc.Format = pp->BackBufferFormat;
    desc.Usage = D3DUSAGE_RENDERTARGET;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.Width = pp->BackBufferWidth;
    desc.Height = pp->BackBufferHeight;
    desc.Size = desc.Width * desc.Height * 4;
    backBuffer = new GpuSurface(this, GpuSurface::Kind::BackBuffer, desc);
    if (pp->EnableAutoDepthStencil) {
        desc.Format = pp->AutoDepthStencilFormat;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        depthStencil = new GpuSurface(this, GpuSurface::Kind::DepthStencil, desc);
    }
    parameters = *pp;
    state->SetDefaults(pp->BackBufferWidth, pp->BackBufferHeight);
    Rebind(renderTarget, backBuffer);
    Rebind(depthTarget, depthStencil);
    fvf = 0;
    status = Status::Ok;
    forcedLostCalls = 0;
    inScene = false;
    return GPU_OK;
}

void GpuDevice::ResetStats()
{
    stats = GpuDeviceStats();
    if (context) {
        context->State().ResetCount();
        pipeline->ResetCount();
    }
}

void GpuDevice::ReleaseGeneratedPrograms()
{
    if (!context)
        return;
    GpuDriverTimer timer;
    MakeCurrent();
    pipeline->Shaders().Clear();
}

size_t GpuDevice::GetGeneratedProgramCount() const
{
    return pipeline ? pipeline->Shaders().Size() : 0;
}

void GpuDevice::SyncCounts()
{
    stats.glCalls = context->State().Calls();
    stats.uniformUploads = pipeline->UniformUploads();
}

void GpuDevice::RegisterResource(GpuResource* resource)
{
    resources.insert(resource);
}

void GpuDevice::UnregisterResource(GpuResource* resource)
{
    resources.erase(resource);
}

void GpuDevice::MakeCurrent()
{
    if (context)
        context->MakeCurrent();
}

void GpuDevice::FailNext(GpuDeviceFault fault)
{
    pendingFaults |= 1u << uint32_t(fault);
}

bool GpuDevice::TakeFault(GpuDeviceFault fault)
{
    uint32_t bit = 1u << uint32_t(fault);
    bool pending = (pendingFaults & bit) != 0;
    pendingFaults &= ~bit;
    return pending;
}

void GpuDevice::RefuseFormat(GpuFormat format, bool refuse)
{
    if (refuse)
        refusedFormats.insert(format);
    else
        refusedFormats.erase(format);
}

void GpuDevice::ForceDeviceLoss(uint32_t lostCalls)
{
    status = Status::Lost;
    forcedLostCalls = lostCalls;
}

// The window's minimise and focus events, seen as they are queued.
int GpuDevice::WatchWindowEvents(void* userData, SDL_Event* event)
{
    auto* device = static_cast<GpuDevice*>(userData);
    if (event->type != SDL_WINDOWEVENT || !device->window->sdlWindow ||
        event->window.windowID != SDL_GetWindowID(device->window->sdlWindow))
        return 1;
    switch (event->window.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        device->windowMinimised = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        device->windowMinimised = false;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        device->windowFocusLost = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        device->windowFocusLost = false;
        break;
    default:
        break;
    }
    return 1;
}

// A full-screen device is lost while its window is minimised or without
// focus; once the window is back it waits for a reset.
void GpuDevice::UpdateLossState()
{
    windowAway = !parameters.Windowed && (windowMinimised || windowFocusLost);
    if (windowAway)
        status = Status::Lost;
}

GpuResult GpuDevice::TestCooperativeLevel()
{
    UpdateLossState();
    if (status == Status::Lost) {
        if (forcedLostCalls > 0) {
            --forcedLostCalls;
            return GPUERR_DEVICELOST;
        }
        if (windowAway)
            return GPUERR_DEVICELOST;
        status = Status::NotReset;
    }
    return status == Status::NotReset ? GPUERR_DEVICENOTRESET : GPU_OK;
}

std::unordered_map<const GpuResource*, uint32_t> GpuDevice::DeviceHeldReferences() const
{
    std::unordered_map<const GpuResource*, uint32_t> held;
    for (GpuBaseTexture* texture : textures)
        if (texture)
            ++held[texture];
    if (stream)
        ++held[stream];
    if (indices)
        ++held[indices];
    if (renderTarget)
        ++held[renderTarget];
    if (depthTarget)
        ++held[depthTarget];
    if (backBuffer)
        ++held[backBuffer];
    if (depthStencil)
        ++held[depthStencil];
    // A level surface that only the device holds keeps its texture for the device.
    for (const GpuSurface* surface : {renderTarget, depthTarget})
        if (surface && surface->GetContainer() && surface->GetRefCount() <= held[surface])
            ++held[surface->GetContainer()];
    return held;
}

uint32_t GpuDevice::GetLiveDefaultPoolCount() const
{
    std::unordered_map<const GpuResource*, uint32_t> held = DeviceHeldReferences();
    uint32_t count = 0;
    for (const GpuResource* resource : resources) {
        auto found = held.find(resource);
        uint32_t deviceReferences = found == held.end() ? 0 : found->second;
        if (resource->GetRefCount() <= deviceReferences)
            continue;
        if (resource->GetType() == D3DRTYPE_SURFACE) {
            auto kind = static_cast<const GpuSurface*>(resource)->GetKind();
            if (kind == GpuSurface::Kind::BackBuffer || kind == GpuSurface::Kind::DepthStencil)
                ++count; // an outside reference to the device's own surface
            continue;    // level surfaces count through their texture
        }
        if (resource->GetPool() == D3DPOOL_DEFAULT)
            ++count;
    }
    return count;
}

void GpuDevice::DropBindings()
{
    for (GpuBaseTexture*& texture : textures)
        Rebind<GpuBaseTexture>(texture, nullptr);
    Rebind<GpuVertexBuffer>(stream, nullptr);
    Rebind<GpuIndexBuffer>(indices, nullptr);
    Rebind<GpuSurface>(renderTarget, nullptr);
    Rebind<GpuSurface>(depthTarget, nullptr);
    streamStride = 0;
    baseVertexIndex = 0;
}

void GpuDevice::ReleaseDeviceSurfaces()
{
    if (backBuffer)
        backBuffer->Release();
    if (depthStencil)
        depthStencil->Release();
    backBuffer = nullptr;
    depthStencil = nullptr;
}

GpuResult GpuDevice::Reset(GpuPresentParameters* presentParameters)
{
    if (!presentParameters)
        return GPUERR_INVALIDCALL;
    MakeCurrent();
    UpdateLossState();
    if (status == Status::Lost && (forcedLostCalls > 0 || windowAway))
        return GPUERR_DEVICELOST;
    DropBindings();
    if (TakeFault(GpuDeviceFault::Reset) || GetLiveDefaultPoolCount() > 0 ||
        GpuFailed(CheckPresentParameters(*presentParameters))) {
        status = Status::NotReset;
        Rebind(renderTarget, backBuffer);
        Rebind(depthTarget, depthStencil);
        return GPUERR_INVALIDCALL;
    }
    ReleaseDeviceSurfaces();
    GpuResult result = ApplyPresentParameters(presentParameters);
    if (GpuFailed(result)) {
        status = Status::NotReset;
        return result;
    }
    ++stats.resets;
    return GPU_OK;
}

GpuResult GpuDevice::Present(const GpuRect*, const GpuRect*, NativeWindow*, const void*)
{
    UpdateLossState();
    if (status != Status::Ok)
        return GPUERR_DEVICELOST;
    if (TakeFault(GpuDeviceFault::Present))
        return GPUERR_INVALIDCALL;
    context->Present();
    context->State().Count();
    SyncCounts();
    ++stats.presents;
    return GPU_OK;
}

GpuResult GpuDevice::BeginScene()
{
    if (inScene)
        return GPUERR_INVALIDCALL;
    inScene = true;
    return GPU_OK;
}

GpuResult GpuDevice::EndScene()
{
    if (!inScene)
        return GPUERR_INVALIDCALL;
    inScene = false;
    return GPU_OK;
}

GpuResult GpuDevice::GetDeviceCaps(GpuCaps* caps)
{
    if (!caps || TakeFault(GpuDeviceFault::GetDeviceCaps))
        return GPUERR_INVALIDCALL;
    system->FillCaps(caps, context->MaxTextureSize(), context->MaxAnisotropy());
    return GPU_OK;
}

GpuResult GpuDevice::GetDisplayMode(GpuDisplayMode* mode)
{
    if (!mode)
        return GPUERR_INVALIDCALL;
    if (parameters.Windowed)
        return system->GetAdapterDisplayMode(0, mode);
    mode->Width = parameters.BackBufferWidth;
    mode->Height = parameters.BackBufferHeight;
    mode->RefreshRate = parameters.FullScreen_RefreshRateInHz;
    mode->Format = parameters.BackBufferFormat;
    return GPU_OK;
}

GpuResult GpuDevice::GetDirect3D(GpuSystem** creator)
{
    if (!creator)
        return GPUERR_INVALIDCALL;
    system->AddRef();
    *creator = system;
    return GPU_OK;
}

GpuResult GpuDevice::SetGammaRamp(uint32_t flags, const GpuGammaRamp* ramp)
{
    if (!ramp)
        return GPUERR_INVALIDCALL;
    // Kept and reported, never applied to the display (no gamma support is reported).
    gammaRamp = *ramp;
    ++stats.setGammaRampCalls;
    stats.lastGammaFlags = flags;
    return GPU_OK;
}

void GpuDevice::GetGammaRamp(GpuGammaRamp* ramp) const
{
    if (ramp)
        *ramp = gammaRamp;
}

GpuResult GpuDevice::SetRenderState(uint32_t renderState, uint32_t value)
{
    if (renderState >= GPU_RENDER_STATE_COUNT)
        return GPUERR_INVALIDCALL;
    state->renderStates[renderState] = value;
    ++stats.setRenderStateCalls;
    if (!GpuPipeline::HonoursRenderState(renderState) && value != DefaultStates().renderStates[renderState]) {
        char line[96];
        std::snprintf(line, sizeof(line), "GPU: render state %u (set to %u) is not implemented and has no effect",
                      renderState, value);
        ReportUnsupported(UNSUPPORTED_RENDER_STATE | renderState, line);
    }
    return GPU_OK;
}

GpuResult GpuDevice::GetRenderState(uint32_t renderState, uint32_t* value) const
{
    if (renderState >= GPU_RENDER_STATE_COUNT || !value)
        return GPUERR_INVALIDCALL;
    *value = state->renderStates[renderState];
    return GPU_OK;
}

GpuResult GpuDevice::SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    if (stage >= GPU_STAGE_COUNT || type >= GPU_STAGE_STATE_COUNT)
        return GPUERR_INVALIDCALL;
    state->stageStates[stage][type] = value;
    ++stats.setTextureStageStateCalls;
    if ((type == D3DTSS_COLOROP || type == D3DTSS_ALPHAOP) && !GpuTextureOpImplemented(value)) {
        char line[96];
        std::snprintf(line, sizeof(line),
                      "GPU: texture operation %u is not implemented; the stage passes the current value on", value);
        ReportUnsupported(UNSUPPORTED_TEXTURE_OP | (value & 0xFFFFFF), line);
    }
    return GPU_OK;
}

GpuResult GpuDevice::GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const
{
    if (stage >= GPU_STAGE_COUNT || type >= GPU_STAGE_STATE_COUNT || !value)
        return GPUERR_INVALIDCALL;
    *value = state->stageStates[stage][type];
    return GPU_OK;
}

GpuResult GpuDevice::SetTransform(uint32_t type, const Matrix* matrix)
{
    Matrix* slot = state->Transform(type);
    if (!slot || !matrix)
        return GPUERR_INVALIDCALL;
    *slot = *matrix;
    return GPU_OK;
}

GpuResult GpuDevice::GetTransform(uint32_t type, Matrix* matrix) const
{
    const Matrix* slot = state->Transform(type);
    if (!slot || !matrix)
        return GPUERR_INVALIDCALL;
    *matrix = *slot;
    return GPU_OK;
}

GpuResult GpuDevice::SetViewport(const GpuViewport* viewport)
{
    if (!viewport || !renderTarget)
        return GPUERR_INVALIDCALL;
    GpuSurfaceDesc desc;
    renderTarget->GetDesc(&desc);
    if (viewport->Width == 0 || viewport->Height == 0 || uint64_t(viewport->X) + viewport->Width > desc.Width ||
        uint64_t(viewport->Y) + viewport->Height > desc.Height || !(viewport->MinZ >= 0.0f) ||
        !(viewport->MaxZ <= 1.0f) || viewport->MinZ > viewport->MaxZ)
        return GPUERR_INVALIDCALL;
    state->viewport = *viewport;
    return GPU_OK;
}

GpuResult GpuDevice::GetViewport(GpuViewport* viewport) const
{
    if (!viewport)
        return GPUERR_INVALIDCALL;
    *viewport = state->viewport;
    return GPU_OK;
}

GpuResult GpuDevice::SetLight(uint32_t index, const GpuLight* light)
{
    if (index >= GPU_MAX_LIGHTS || !light)
        return GPUERR_INVALIDCALL;
    state->lights[index] = *light;
    if (light->Type != D3DLIGHT_DIRECTIONAL) {
        char line[96];
        std::snprintf(line, sizeof(line), "GPU: light type %u is not implemented; only directional lights shine",
                      uint32_t(light->Type));
        ReportUnsupported(UNSUPPORTED_LIGHT | (light->Type & 0xFFFFFF), line);
    }
    return GPU_OK;
}

void GpuDevice::ReportUnsupported(uint32_t what, const char* line)
{
    if (reportedUnsupported.insert(what).second)
        GpuLog(line);
}

GpuResult GpuDevice::GetLight(uint32_t index, GpuLight* light) const
{
    if (index >= GPU_MAX_LIGHTS || !light)
        return GPUERR_INVALIDCALL;
    *light = state->lights[index];
    return GPU_OK;
}

GpuResult GpuDevice::LightEnable(uint32_t index, bool enable)
{
    if (index >= GPU_MAX_LIGHTS)
        return GPUERR_INVALIDCALL;
    state->lightEnabled[index] = enable;
    return GPU_OK;
}

GpuResult GpuDevice::GetLightEnable(uint32_t index, bool* enable) const
{
    if (index >= GPU_MAX_LIGHTS || !enable)
        return GPUERR_INVALIDCALL;
    *enable = state->lightEnabled[index];
    return GPU_OK;
}

GpuResult GpuDevice::SetMaterial(const GpuMaterial* material)
{
    if (!material)
        return GPUERR_INVALIDCALL;
    state->material = *material;
    return GPU_OK;
}

GpuResult GpuDevice::GetMaterial(GpuMaterial* material) const
{
    if (!material)
        return GPUERR_INVALIDCALL;
    *material = state->material;
    return GPU_OK;
}

GpuResult GpuDevice::SetTexture(uint32_t stage, GpuBaseTexture* texture)
{
    if (stage >= GPU_STAGE_COUNT)
        return GPUERR_INVALIDCALL;
    Rebind(textures[stage], texture);
    ++stats.setTextureCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetTexture(uint32_t stage, GpuBaseTexture** texture)
{
    if (stage >= GPU_STAGE_COUNT || !texture)
        return GPUERR_INVALIDCALL;
    *texture = textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return GPU_OK;
}

GpuResult GpuDevice::SetVertexShader(uint32_t vertexFormat)
{
    fvf = vertexFormat;
    ++stats.setVertexShaderCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetVertexShader(uint32_t* vertexFormat) const
{
    if (!vertexFormat)
        return GPUERR_INVALIDCALL;
    *vertexFormat = fvf;
    return GPU_OK;
}

GpuResult GpuDevice::SetStreamSource(uint32_t streamNumber, GpuVertexBuffer* buffer, uint32_t stride)
{
    if (streamNumber != 0)
        return GPUERR_INVALIDCALL;
    Rebind(stream, buffer);
    streamStride = stride;
    ++stats.setStreamSourceCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetStreamSource(uint32_t streamNumber, GpuVertexBuffer** buffer, uint32_t* stride)
{
    if (streamNumber != 0 || !buffer || !stride)
        return GPUERR_INVALIDCALL;
    *buffer = stream;
    if (stream)
        stream->AddRef();
    *stride = streamStride;
    return GPU_OK;
}

GpuResult GpuDevice::SetIndices(GpuIndexBuffer* buffer, uint32_t baseVertex)
{
    Rebind(indices, buffer);
    baseVertexIndex = baseVertex;
    return GPU_OK;
}

GpuResult GpuDevice::GetIndices(GpuIndexBuffer** buffer, uint32_t* baseVertex)
{
    if (!buffer || !baseVertex)
        return GPUERR_INVALIDCALL;
    *buffer = indices;
    if (indices)
        indices->AddRef();
    *baseVertex = baseVertexIndex;
    return GPU_OK;
}

GpuResult GpuDevice::SetRenderTarget(GpuSurface* target, GpuSurface* depthSurface)
{
    if (target) {
        bool isBackBuffer = target == backBuffer;
        bool isTextureTarget = target->GetKind() == GpuSurface::Kind::TextureLevel && target->GetContainer() &&
                               target->GetContainer()->IsRenderTarget() && target->GetDevice() == this;
        if (!isBackBuffer && !isTextureTarget)
            return GPUERR_INVALIDCALL;
    }
    if ((depthSurface && depthSurface != depthStencil) || (!target && !renderTarget))
        return GPUERR_INVALIDCALL;
    if (depthSurface) { // a depth buffer smaller than the target cannot serve it
        GpuSurfaceDesc targetDesc, depthDesc;
        (target ? target : renderTarget)->GetDesc(&targetDesc);
        depthSurface->GetDesc(&depthDesc);
        if (depthDesc.Width < targetDesc.Width || depthDesc.Height < targetDesc.Height)
            return GPUERR_INVALIDCALL;
    }
    if (target)
        Rebind(renderTarget, target);
    Rebind(depthTarget, depthSurface);
    GpuSurfaceDesc desc;
    renderTarget->GetDesc(&desc);
    state->viewport = GpuViewport();
    state->viewport.Width = desc.Width;
    state->viewport.Height = desc.Height;
    return GPU_OK;
}

GpuResult GpuDevice::GetRenderTarget(GpuSurface** target)
{
    if (!target)
        return GPUERR_INVALIDCALL;
    *target = renderTarget;
    if (renderTarget)
        renderTarget->AddRef();
    return GPU_OK;
}

GpuResult GpuDevice::GetDepthStencilSurface(GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = depthTarget;
    if (!depthTarget)
        return GPUERR_NOTAVAILABLE;
    depthTarget->AddRef();
    return GPU_OK;
}

bool GpuDevice::TargetHasStencil() const
{
    if (renderTarget == nullptr || renderTarget != backBuffer || depthTarget == nullptr)
        return false;
    GpuSurfaceDesc desc;
    depthTarget->GetDesc(&desc);
    return GpuFormatHasStencil(desc.Format);
}

GpuResult GpuDevice::GetBackBuffer(uint32_t index, GpuBackBufferType type, GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = nullptr;
    if (index >= parameters.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO || !backBuffer)
        return GPUERR_INVALIDCALL;
    // Every back buffer of the chain is the one GL back buffer.
    backBuffer->AddRef();
    *surface = backBuffer;
    return GPU_OK;
}

} // namespace backend
