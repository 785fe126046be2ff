#include "backend/gpu/GpuDevice.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuCubeTexture.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuPipeline.h"
#include "backend/gpu/GpuPixelFormat.h"
#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/window/NativeWindow.h"

#include <SDL.h>

#include <algorithm>
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

} // namespace

GpuDevice::GpuDevice(GpuSystem* system, NativeWindow* window)
    : m_system(system), m_window(window), m_state(std::make_unique<GpuStateBlock>())
{
    m_system->AddRef();
    for (uint32_t i = 0; i < 256; ++i)
        m_gammaRamp.red[i] = m_gammaRamp.green[i] = m_gammaRamp.blue[i] = uint16_t(i << 8);
}

GpuDevice::~GpuDevice()
{
    if (m_watchingEvents)
        SDL_DelEventWatch(&GpuDevice::WatchWindowEvents, this);
    if (m_context) {
        m_context->MakeCurrent();
        DropBindings();
        ReleaseDeviceSurfaces();
        // Whatever the game still holds loses its GL objects now, while the context exists.
        std::vector<GpuResource*> remaining(m_resources.begin(), m_resources.end());
        for (GpuResource* resource : remaining)
            resource->DetachFromDevice();
        m_resources.clear();
        m_pipeline.reset();
        m_context.reset();
    }
    m_system->Release();
}

GpuResult GpuDevice::Initialise(GpuPresentParameters* parameters)
{
    if (!m_window || !m_window->sdlWindow)
        return GPUERR_INVALIDCALL;
    std::string error;
    m_context = GpuGlContext::Create(m_window->sdlWindow, error);
    if (!m_context) {
        SDL_SetError("%s", error.c_str());
        return GPUERR_NOTAVAILABLE;
    }
    m_pipeline = std::make_unique<GpuPipeline>(*m_context);
    SDL_AddEventWatch(&GpuDevice::WatchWindowEvents, this);
    m_watchingEvents = true;
    return ApplyPresentParameters(parameters);
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
    if (pp.BackBufferWidth > m_context->MaxTextureSize() || pp.BackBufferHeight > m_context->MaxTextureSize())
        return GPUERR_INVALIDCALL;
    return GPU_OK;
}

GpuResult GpuDevice::ApplyPresentParameters(GpuPresentParameters* pp)
{
    SDL_Window* window = m_window->sdlWindow;
    if (GpuResult check = CheckPresentParameters(*pp); GpuFailed(check))
        return check;
    if (pp->Windowed) {
        if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)
            SDL_SetWindowFullscreen(window, 0);
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) {
            int width = 0, height = 0;
            SDL_GL_GetDrawableSize(window, &width, &height);
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
        SDL_SetWindowDisplayMode(window, &mode);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    }
    if (!GpuFormatIsRenderTarget(pp->BackBufferFormat))
        return GPUERR_INVALIDCALL;
    if (pp->BackBufferCount == 0)
        pp->BackBufferCount = 1;
    if (!m_context->ResizeBackBuffer(pp->BackBufferWidth, pp->BackBufferHeight))
        return GPUERR_OUTOFVIDEOMEMORY;

    GpuSurfaceDesc desc;
    desc.Format = pp->BackBufferFormat;
    desc.Usage = D3DUSAGE_RENDERTARGET;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.Width = pp->BackBufferWidth;
    desc.Height = pp->BackBufferHeight;
    desc.Size = desc.Width * desc.Height * 4;
    m_backBuffer = new GpuSurface(this, GpuSurface::Kind::BackBuffer, desc);
    if (pp->EnableAutoDepthStencil) {
        desc.Format = pp->AutoDepthStencilFormat;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        m_depthStencil = new GpuSurface(this, GpuSurface::Kind::DepthStencil, desc);
    }
    m_parameters = *pp;
    m_state->SetDefaults(pp->BackBufferWidth, pp->BackBufferHeight);
    Rebind(m_renderTarget, m_backBuffer);
    Rebind(m_depthTarget, m_depthStencil);
    m_fvf = 0;
    m_status = Status::Ok;
    m_forcedLostCalls = 0;
    m_inScene = false;
    return GPU_OK;
}

void GpuDevice::RegisterResource(GpuResource* resource)
{
    m_resources.insert(resource);
}

void GpuDevice::UnregisterResource(GpuResource* resource)
{
    m_resources.erase(resource);
}

void GpuDevice::MakeCurrent()
{
    if (m_context)
        m_context->MakeCurrent();
}

void GpuDevice::FailNext(GpuDeviceFault fault)
{
    m_pendingFaults |= 1u << uint32_t(fault);
}

bool GpuDevice::TakeFault(GpuDeviceFault fault)
{
    uint32_t bit = 1u << uint32_t(fault);
    bool pending = (m_pendingFaults & bit) != 0;
    m_pendingFaults &= ~bit;
    return pending;
}

void GpuDevice::RefuseFormat(GpuFormat format, bool refuse)
{
    if (refuse)
        m_refusedFormats.insert(format);
    else
        m_refusedFormats.erase(format);
}

void GpuDevice::ForceDeviceLoss(uint32_t lostCalls)
{
    m_status = Status::Lost;
    m_forcedLostCalls = lostCalls;
}

// The window's minimise and focus events, seen as they are queued.
int GpuDevice::WatchWindowEvents(void* userData, SDL_Event* event)
{
    auto* device = static_cast<GpuDevice*>(userData);
    if (event->type != SDL_WINDOWEVENT || !device->m_window->sdlWindow ||
        event->window.windowID != SDL_GetWindowID(device->m_window->sdlWindow))
        return 1;
    switch (event->window.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        device->m_windowMinimised = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        device->m_windowMinimised = false;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        device->m_windowFocusLost = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        device->m_windowFocusLost = false;
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
    m_windowAway = !m_parameters.Windowed && (m_windowMinimised || m_windowFocusLost);
    if (m_windowAway)
        m_status = Status::Lost;
}

GpuResult GpuDevice::TestCooperativeLevel()
{
    UpdateLossState();
    if (m_status == Status::Lost) {
        if (m_forcedLostCalls > 0) {
            --m_forcedLostCalls;
            return GPUERR_DEVICELOST;
        }
        if (m_windowAway)
            return GPUERR_DEVICELOST;
        m_status = Status::NotReset;
    }
    return m_status == Status::NotReset ? GPUERR_DEVICENOTRESET : GPU_OK;
}

std::unordered_map<const GpuResource*, uint32_t> GpuDevice::DeviceHeldReferences() const
{
    std::unordered_map<const GpuResource*, uint32_t> held;
    for (GpuBaseTexture* texture : m_textures)
        if (texture)
            ++held[texture];
    if (m_stream)
        ++held[m_stream];
    if (m_indices)
        ++held[m_indices];
    if (m_renderTarget)
        ++held[m_renderTarget];
    if (m_depthTarget)
        ++held[m_depthTarget];
    if (m_backBuffer)
        ++held[m_backBuffer];
    if (m_depthStencil)
        ++held[m_depthStencil];
    // A level surface that only the device holds keeps its texture for the device.
    for (const GpuSurface* surface : {m_renderTarget, m_depthTarget})
        if (surface && surface->GetContainer() && surface->GetRefCount() <= held[surface])
            ++held[surface->GetContainer()];
    return held;
}

uint32_t GpuDevice::GetLiveDefaultPoolCount() const
{
    std::unordered_map<const GpuResource*, uint32_t> held = DeviceHeldReferences();
    uint32_t count = 0;
    for (const GpuResource* resource : m_resources) {
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
    for (GpuBaseTexture*& texture : m_textures)
        Rebind<GpuBaseTexture>(texture, nullptr);
    Rebind<GpuVertexBuffer>(m_stream, nullptr);
    Rebind<GpuIndexBuffer>(m_indices, nullptr);
    Rebind<GpuSurface>(m_renderTarget, nullptr);
    Rebind<GpuSurface>(m_depthTarget, nullptr);
    m_streamStride = 0;
    m_baseVertexIndex = 0;
}

void GpuDevice::ReleaseDeviceSurfaces()
{
    if (m_backBuffer)
        m_backBuffer->Release();
    if (m_depthStencil)
        m_depthStencil->Release();
    m_backBuffer = nullptr;
    m_depthStencil = nullptr;
}

GpuResult GpuDevice::Reset(GpuPresentParameters* parameters)
{
    if (!parameters)
        return GPUERR_INVALIDCALL;
    MakeCurrent();
    UpdateLossState();
    if (m_status == Status::Lost && (m_forcedLostCalls > 0 || m_windowAway))
        return GPUERR_DEVICELOST;
    DropBindings();
    if (TakeFault(GpuDeviceFault::Reset) || GetLiveDefaultPoolCount() > 0 ||
        GpuFailed(CheckPresentParameters(*parameters))) {
        m_status = Status::NotReset;
        Rebind(m_renderTarget, m_backBuffer);
        Rebind(m_depthTarget, m_depthStencil);
        return GPUERR_INVALIDCALL;
    }
    ReleaseDeviceSurfaces();
    GpuResult result = ApplyPresentParameters(parameters);
    if (GpuFailed(result)) {
        m_status = Status::NotReset;
        return result;
    }
    ++m_stats.resets;
    return GPU_OK;
}

GpuResult GpuDevice::Present(const GpuRect*, const GpuRect*, NativeWindow*, const void*)
{
    UpdateLossState();
    if (m_status != Status::Ok)
        return GPUERR_DEVICELOST;
    if (TakeFault(GpuDeviceFault::Present))
        return GPUERR_INVALIDCALL;
    m_context->Present();
    ++m_stats.presents;
    return GPU_OK;
}

GpuResult GpuDevice::BeginScene()
{
    if (m_inScene)
        return GPUERR_INVALIDCALL;
    m_inScene = true;
    return GPU_OK;
}

GpuResult GpuDevice::EndScene()
{
    if (!m_inScene)
        return GPUERR_INVALIDCALL;
    m_inScene = false;
    return GPU_OK;
}

GpuResult GpuDevice::GetDeviceCaps(GpuCaps* caps)
{
    if (!caps || TakeFault(GpuDeviceFault::GetDeviceCaps))
        return GPUERR_INVALIDCALL;
    m_system->FillCaps(caps, m_context->MaxTextureSize(), m_context->MaxAnisotropy());
    return GPU_OK;
}

GpuResult GpuDevice::GetDisplayMode(GpuDisplayMode* mode)
{
    if (!mode)
        return GPUERR_INVALIDCALL;
    if (m_parameters.Windowed)
        return m_system->GetAdapterDisplayMode(0, mode);
    mode->Width = m_parameters.BackBufferWidth;
    mode->Height = m_parameters.BackBufferHeight;
    mode->RefreshRate = m_parameters.FullScreen_RefreshRateInHz;
    mode->Format = m_parameters.BackBufferFormat;
    return GPU_OK;
}

GpuResult GpuDevice::GetDirect3D(GpuSystem** system)
{
    if (!system)
        return GPUERR_INVALIDCALL;
    m_system->AddRef();
    *system = m_system;
    return GPU_OK;
}

GpuResult GpuDevice::SetGammaRamp(uint32_t flags, const GpuGammaRamp* ramp)
{
    if (!ramp)
        return GPUERR_INVALIDCALL;
    // Kept and reported, never applied to the display (no gamma support is reported).
    m_gammaRamp = *ramp;
    ++m_stats.setGammaRampCalls;
    m_stats.lastGammaFlags = flags;
    return GPU_OK;
}

void GpuDevice::GetGammaRamp(GpuGammaRamp* ramp) const
{
    if (ramp)
        *ramp = m_gammaRamp;
}

GpuResult GpuDevice::SetRenderState(uint32_t state, uint32_t value)
{
    if (state >= GPU_RENDER_STATE_COUNT)
        return GPUERR_INVALIDCALL;
    m_state->renderStates[state] = value;
    ++m_stats.setRenderStateCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetRenderState(uint32_t state, uint32_t* value) const
{
    if (state >= GPU_RENDER_STATE_COUNT || !value)
        return GPUERR_INVALIDCALL;
    *value = m_state->renderStates[state];
    return GPU_OK;
}

GpuResult GpuDevice::SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    if (stage >= GPU_STAGE_COUNT || type >= GPU_STAGE_STATE_COUNT)
        return GPUERR_INVALIDCALL;
    m_state->stageStates[stage][type] = value;
    ++m_stats.setTextureStageStateCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const
{
    if (stage >= GPU_STAGE_COUNT || type >= GPU_STAGE_STATE_COUNT || !value)
        return GPUERR_INVALIDCALL;
    *value = m_state->stageStates[stage][type];
    return GPU_OK;
}

GpuResult GpuDevice::SetTransform(uint32_t type, const Matrix* matrix)
{
    Matrix* slot = m_state->Transform(type);
    if (!slot || !matrix)
        return GPUERR_INVALIDCALL;
    *slot = *matrix;
    return GPU_OK;
}

GpuResult GpuDevice::GetTransform(uint32_t type, Matrix* matrix) const
{
    const Matrix* slot = m_state->Transform(type);
    if (!slot || !matrix)
        return GPUERR_INVALIDCALL;
    *matrix = *slot;
    return GPU_OK;
}

GpuResult GpuDevice::SetViewport(const GpuViewport* viewport)
{
    if (!viewport || !m_renderTarget)
        return GPUERR_INVALIDCALL;
    GpuSurfaceDesc desc;
    m_renderTarget->GetDesc(&desc);
    if (viewport->Width == 0 || viewport->Height == 0 || uint64_t(viewport->X) + viewport->Width > desc.Width ||
        uint64_t(viewport->Y) + viewport->Height > desc.Height || !(viewport->MinZ >= 0.0f) ||
        !(viewport->MaxZ <= 1.0f) || viewport->MinZ > viewport->MaxZ)
        return GPUERR_INVALIDCALL;
    m_state->viewport = *viewport;
    return GPU_OK;
}

GpuResult GpuDevice::GetViewport(GpuViewport* viewport) const
{
    if (!viewport)
        return GPUERR_INVALIDCALL;
    *viewport = m_state->viewport;
    return GPU_OK;
}

GpuResult GpuDevice::SetLight(uint32_t index, const GpuLight* light)
{
    if (index >= GPU_MAX_LIGHTS || !light)
        return GPUERR_INVALIDCALL;
    m_state->lights[index] = *light;
    return GPU_OK;
}

GpuResult GpuDevice::GetLight(uint32_t index, GpuLight* light) const
{
    if (index >= GPU_MAX_LIGHTS || !light)
        return GPUERR_INVALIDCALL;
    *light = m_state->lights[index];
    return GPU_OK;
}

GpuResult GpuDevice::LightEnable(uint32_t index, bool enable)
{
    if (index >= GPU_MAX_LIGHTS)
        return GPUERR_INVALIDCALL;
    m_state->lightEnabled[index] = enable;
    return GPU_OK;
}

GpuResult GpuDevice::GetLightEnable(uint32_t index, bool* enable) const
{
    if (index >= GPU_MAX_LIGHTS || !enable)
        return GPUERR_INVALIDCALL;
    *enable = m_state->lightEnabled[index];
    return GPU_OK;
}

GpuResult GpuDevice::SetMaterial(const GpuMaterial* material)
{
    if (!material)
        return GPUERR_INVALIDCALL;
    m_state->material = *material;
    return GPU_OK;
}

GpuResult GpuDevice::GetMaterial(GpuMaterial* material) const
{
    if (!material)
        return GPUERR_INVALIDCALL;
    *material = m_state->material;
    return GPU_OK;
}

GpuResult GpuDevice::SetTexture(uint32_t stage, GpuBaseTexture* texture)
{
    if (stage >= GPU_STAGE_COUNT)
        return GPUERR_INVALIDCALL;
    Rebind(m_textures[stage], texture);
    ++m_stats.setTextureCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetTexture(uint32_t stage, GpuBaseTexture** texture)
{
    if (stage >= GPU_STAGE_COUNT || !texture)
        return GPUERR_INVALIDCALL;
    *texture = m_textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return GPU_OK;
}

GpuResult GpuDevice::SetVertexShader(uint32_t fvf)
{
    m_fvf = fvf;
    ++m_stats.setVertexShaderCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetVertexShader(uint32_t* fvf) const
{
    if (!fvf)
        return GPUERR_INVALIDCALL;
    *fvf = m_fvf;
    return GPU_OK;
}

GpuResult GpuDevice::SetStreamSource(uint32_t stream, GpuVertexBuffer* buffer, uint32_t stride)
{
    if (stream != 0)
        return GPUERR_INVALIDCALL;
    Rebind(m_stream, buffer);
    m_streamStride = stride;
    ++m_stats.setStreamSourceCalls;
    return GPU_OK;
}

GpuResult GpuDevice::GetStreamSource(uint32_t stream, GpuVertexBuffer** buffer, uint32_t* stride)
{
    if (stream != 0 || !buffer || !stride)
        return GPUERR_INVALIDCALL;
    *buffer = m_stream;
    if (m_stream)
        m_stream->AddRef();
    *stride = m_streamStride;
    return GPU_OK;
}

GpuResult GpuDevice::SetIndices(GpuIndexBuffer* buffer, uint32_t baseVertexIndex)
{
    Rebind(m_indices, buffer);
    m_baseVertexIndex = baseVertexIndex;
    return GPU_OK;
}

GpuResult GpuDevice::GetIndices(GpuIndexBuffer** buffer, uint32_t* baseVertexIndex)
{
    if (!buffer || !baseVertexIndex)
        return GPUERR_INVALIDCALL;
    *buffer = m_indices;
    if (m_indices)
        m_indices->AddRef();
    *baseVertexIndex = m_baseVertexIndex;
    return GPU_OK;
}

GpuResult GpuDevice::SetRenderTarget(GpuSurface* target, GpuSurface* depthStencil)
{
    if (target) {
        bool isBackBuffer = target == m_backBuffer;
        bool isTextureTarget = target->GetKind() == GpuSurface::Kind::TextureLevel && target->GetContainer() &&
                               target->GetContainer()->IsRenderTarget() && target->GetDevice() == this;
        if (!isBackBuffer && !isTextureTarget)
            return GPUERR_INVALIDCALL;
    }
    if ((depthStencil && depthStencil != m_depthStencil) || (!target && !m_renderTarget))
        return GPUERR_INVALIDCALL;
    if (depthStencil) { // a depth buffer smaller than the target cannot serve it
        GpuSurfaceDesc targetDesc, depthDesc;
        (target ? target : m_renderTarget)->GetDesc(&targetDesc);
        depthStencil->GetDesc(&depthDesc);
        if (depthDesc.Width < targetDesc.Width || depthDesc.Height < targetDesc.Height)
            return GPUERR_INVALIDCALL;
    }
    if (target)
        Rebind(m_renderTarget, target);
    Rebind(m_depthTarget, depthStencil);
    GpuSurfaceDesc desc;
    m_renderTarget->GetDesc(&desc);
    m_state->viewport = GpuViewport();
    m_state->viewport.Width = desc.Width;
    m_state->viewport.Height = desc.Height;
    return GPU_OK;
}

GpuResult GpuDevice::GetRenderTarget(GpuSurface** target)
{
    if (!target)
        return GPUERR_INVALIDCALL;
    *target = m_renderTarget;
    if (m_renderTarget)
        m_renderTarget->AddRef();
    return GPU_OK;
}

GpuResult GpuDevice::GetDepthStencilSurface(GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = m_depthTarget;
    if (!m_depthTarget)
        return GPUERR_NOTAVAILABLE;
    m_depthTarget->AddRef();
    return GPU_OK;
}

GpuResult GpuDevice::GetBackBuffer(uint32_t index, GpuBackBufferType type, GpuSurface** surface)
{
    if (!surface)
        return GPUERR_INVALIDCALL;
    *surface = nullptr;
    if (index >= m_parameters.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO || !m_backBuffer)
        return GPUERR_INVALIDCALL;
    // Every back buffer of the chain is the one GL back buffer.
    m_backBuffer->AddRef();
    *surface = m_backBuffer;
    return GPU_OK;
}

} // namespace backend
