#include "backend/gpu/GpuSystem.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuPixelFormat.h"

#include <SDL.h>

namespace backend {

namespace {

// What a device reports before a GL context exists to ask.
constexpr uint32_t DEFAULT_MAX_TEXTURE_SIZE = 8192;
constexpr uint32_t DEFAULT_MAX_ANISOTROPY = 16;

GpuFormat FormatOfPixels(uint32_t sdlFormat)
{
    switch (SDL_BITSPERPIXEL(sdlFormat)) {
    case 15:
        return D3DFMT_X1R5G5B5;
    case 16:
        return D3DFMT_R5G6B5;
    default: // 24- and 32-bit desktops both show as X8R8G8B8
        return D3DFMT_X8R8G8B8;
    }
}

GpuDisplayMode ModeOf(const SDL_DisplayMode& sdl)
{
    GpuDisplayMode mode;
    mode.Width = uint32_t(sdl.w);
    mode.Height = uint32_t(sdl.h);
    mode.RefreshRate = uint32_t(sdl.refresh_rate);
    mode.Format = FormatOfPixels(sdl.format);
    return mode;
}

} // namespace

GpuSystem* CreateGpuSystem()
{
    // Counted by SDL: the window service holds its own start of video.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return nullptr;
    GpuSystem* system = new GpuSystem();
    system->videoStarted = true;
    return system;
}

GpuSystem::GpuSystem() = default;

GpuSystem::~GpuSystem()
{
    if (videoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void GpuSystem::FailNext(GpuSystemFault fault)
{
    pendingFaults |= 1u << uint32_t(fault);
}

bool GpuSystem::TakeFault(GpuSystemFault fault)
{
    uint32_t bit = 1u << uint32_t(fault);
    bool pending = (pendingFaults & bit) != 0;
    pendingFaults &= ~bit;
    return pending;
}

const std::vector<GpuDisplayMode>& GpuSystem::Modes()
{
    if (!modesOverride.empty())
        return modesOverride;
    modes.clear();
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdl;
        if (SDL_GetDisplayMode(0, i, &sdl) == 0 && sdl.w > 0 && sdl.h > 0)
            modes.push_back(ModeOf(sdl));
    }
    // Some video drivers list no real mode; the desktop's own is always one.
    SDL_DisplayMode desktop;
    if (modes.empty() && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0)
        modes.push_back(ModeOf(desktop));
    return modes;
}

GpuResult GpuSystem::GetAdapterDisplayMode(uint32_t adapter, GpuDisplayMode* mode)
{
    if (TakeFault(GpuSystemFault::GetAdapterDisplayMode) || adapter != 0 || !mode)
        return GPUERR_INVALIDCALL;
    if (!modesOverride.empty()) {
        *mode = modesOverride.front();
        return GPU_OK;
    }
    SDL_DisplayMode sdl;
    if (SDL_GetDesktopDisplayMode(0, &sdl) != 0)
        return GPUERR_NOTAVAILABLE;
    *mode = ModeOf(sdl);
    return GPU_OK;
}

uint32_t GpuSystem::GetAdapterModeCount(uint32_t adapter)
{
    return adapter == 0 ? uint32_t(Modes().size()) : 0;
}

GpuResult GpuSystem::EnumAdapterModes(uint32_t adapter, uint32_t mode, GpuDisplayMode* out)
{
    if (TakeFault(GpuSystemFault::EnumAdapterModes) || adapter != 0 || !out)
        return GPUERR_INVALIDCALL;
    const std::vector<GpuDisplayMode>& available = Modes();
    if (mode >= available.size())
        return GPUERR_INVALIDCALL;
    *out = available[mode];
    return GPU_OK;
}

GpuResult GpuSystem::CheckDeviceType(uint32_t adapter, GpuDeviceType, GpuFormat displayFormat,
                                     GpuFormat backBufferFormat, bool)
{
    if (adapter != 0)
        return GPUERR_INVALIDCALL;
    if (!GpuFormatIsRenderTarget(displayFormat) || !GpuFormatIsRenderTarget(backBufferFormat))
        return GPUERR_NOTAVAILABLE;
    return GPU_OK;
}

GpuResult GpuSystem::CheckDeviceFormat(uint32_t adapter, GpuDeviceType, GpuFormat, uint32_t usage,
                                       GpuResourceType resourceType, GpuFormat checkFormat)
{
    if (adapter != 0)
        return GPUERR_INVALIDCALL;
    bool ok;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        ok = GpuFormatIsDepth(checkFormat);
    else if (usage & D3DUSAGE_RENDERTARGET)
        ok = GpuFormatIsRenderTarget(checkFormat);
    else if (resourceType == D3DRTYPE_TEXTURE || resourceType == D3DRTYPE_CUBETEXTURE)
        ok = GpuFormatIsTexture(checkFormat);
    else
        ok = GpuFormatIsTexture(checkFormat) || GpuFormatIsDepth(checkFormat);
    return ok ? GPU_OK : GPUERR_NOTAVAILABLE;
}

void GpuSystem::FillCaps(GpuCaps* caps, uint32_t maxTextureSize, uint32_t maxAnisotropy) const
{
    *caps = GpuCaps();
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = 0;
    // No gamma ramp support is reported, so the game leaves the gamma alone.
    caps->Caps2 = caps2Override ? *caps2Override : uint32_t(D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES);
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps->MaxTextureWidth = maxTextureSize;
    caps->MaxTextureHeight = maxTextureSize;
    caps->MaxAnisotropy = maxAnisotropy;
    caps->MaxTextureBlendStages = GPU_STAGE_COUNT;
    caps->MaxSimultaneousTextures = GPU_STAGE_COUNT;
    caps->MaxActiveLights = GPU_MAX_LIGHTS;
    caps->MaxPrimitiveCount = 0xFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 1;
}

GpuResult GpuSystem::GetDeviceCaps(uint32_t adapter, GpuDeviceType type, GpuCaps* caps)
{
    if (TakeFault(GpuSystemFault::GetDeviceCaps) || adapter != 0 || !caps)
        return GPUERR_INVALIDCALL;
    FillCaps(caps, DEFAULT_MAX_TEXTURE_SIZE, DEFAULT_MAX_ANISOTROPY);
    caps->DeviceType = type;
    return GPU_OK;
}

GpuResult GpuSystem::CreateDevice(uint32_t adapter, GpuDeviceType, NativeWindow* window, uint32_t,
                                  GpuPresentParameters* parameters, GpuDevice** device)
{
    if (!device)
        return GPUERR_INVALIDCALL;
    *device = nullptr;
    if (TakeFault(GpuSystemFault::CreateDevice) || adapter != 0 || !parameters)
        return GPUERR_INVALIDCALL;
    NativeWindow* target = window ? window : parameters->hDeviceWindow;
    if (!target)
        return GPUERR_INVALIDCALL;
    GpuDevice* created = new GpuDevice(this, target);
    GpuResult result = created->Initialise(parameters);
    if (GpuFailed(result)) {
        created->Release();
        return result;
    }
    if (TakeFault(GpuSystemFault::NewDeviceCaps))
        created->FailNext(GpuDeviceFault::GetDeviceCaps);
    *device = created;
    return GPU_OK;
}

} // namespace backend
