// Device loss and reset, references held by the device, resource rules, fault
// injection, and what the driver is told at start-up.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuDriverEnvironment.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace gputest {
namespace {

using namespace backend;

uint32_t RenderStateOf(GpuDevice* device, uint32_t state)
{
    uint32_t value = 0;
    device->GetRenderState(state, &value);
    return value;
}

void SendWindowEvent(SDL_Window* window, uint8_t kind)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(window);
    event.window.event = kind;
    SDL_PushEvent(&event);
    SDL_FlushEvent(SDL_WINDOWEVENT);
}

// A frame left half-way: default-pool objects alive, a render target bound, and
// states, transforms, a light and a texture moved.
TEST_F(GpuDeviceTest, ResetWaitsForDefaultPoolObjectsAndPutsEverythingBack)
{
    GpuVertexBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, COLOR_FVF, D3DPOOL_DEFAULT, &buffer), GPU_OK);
    GpuSurface* level = nullptr;
    GpuTexture* target = MakeTarget(16, 16, &level);
    ASSERT_NE(target, nullptr);
    GpuTexture* managed = MakeTexture(1, 1, {0xFF00FF00});
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 2u);
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), GPU_OK);
    GpuViewport viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 16u);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTexture(0, managed);
    device->SetStreamSource(0, buffer, 24);
    Matrix moved = GpuIdentityMatrix();
    moved.m[3][0] = 5.0f;
    const uint32_t transforms[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE1};
    for (uint32_t type : transforms)
        device->SetTransform(type, &moved);
    GpuLight light;
    light.Type = D3DLIGHT_DIRECTIONAL;
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    GpuMaterial material;
    material.Power = 8.0f;
    device->SetMaterial(&material);
    const uint32_t stencilStates[] = {D3DRS_STENCILENABLE, D3DRS_STENCILFAIL,     D3DRS_STENCILZFAIL,
                                      D3DRS_STENCILPASS,   D3DRS_STENCILFUNC,     D3DRS_STENCILREF,
                                      D3DRS_STENCILMASK,   D3DRS_STENCILWRITEMASK};
    for (uint32_t stencilState : stencilStates)
        device->SetRenderState(stencilState, D3DCMP_NEVER);

    ASSERT_EQ(device->Reset(&parameters), GPUERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    buffer->Release();
    ASSERT_EQ(device->Reset(&parameters), GPUERR_INVALIDCALL); // the render target still lives
    // The owner lets go; only the device's own binding is left, which the reset drops.
    level->Release();
    target->Release();
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), GPU_OK);
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);

    EXPECT_EQ(RenderStateOf(device, D3DRS_CULLMODE), uint32_t(D3DCULL_CCW));
    EXPECT_EQ(RenderStateOf(device, D3DRS_LIGHTING), 1u);
    uint32_t value = 0;
    device->GetTextureStageState(2, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, uint32_t(D3DTOP_DISABLE));
    GpuBaseTexture* bound = reinterpret_cast<GpuBaseTexture*>(1);
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(managed->GetRefCount(), 1u); // the device let go of it
    GpuSurface* current = nullptr;
    GpuSurface* backBuffer = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&current), GPU_OK);
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), GPU_OK);
    EXPECT_EQ(current, backBuffer);
    current->Release();
    backBuffer->Release();
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.X, 0u);
    EXPECT_EQ(viewport.Width, width);
    EXPECT_EQ(viewport.Height, height);
    const Matrix identity = GpuIdentityMatrix();
    for (uint32_t type : transforms) {
        Matrix got;
        device->GetTransform(type, &got);
        EXPECT_EQ(std::memcmp(&got, &identity, sizeof(Matrix)), 0) << "transform " << type;
    }
    bool enabled = true;
    device->GetLightEnable(0, &enabled);
    EXPECT_FALSE(enabled);
    device->GetMaterial(&material);
    EXPECT_EQ(material.Power, 0.0f);
    // Stencil off, every operation keeps, the test always passes, reference 0, all bits.
    const uint32_t stencilDefaults[] = {0, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DCMP_ALWAYS,
                                        0, 0xFFFFFFFF,        0xFFFFFFFF};
    for (size_t i = 0; i < std::size(stencilStates); ++i)
        EXPECT_EQ(RenderStateOf(device, stencilStates[i]), stencilDefaults[i]) << "render state " << stencilStates[i];

    // The managed texture survives and draws over the whole back buffer, which
    // the stencil test no longer keeps out; new objects can be made at once.
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTexture(0, managed);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenQuad(0, 0, float(width), float(height), 0xFFFFFFFF);
    EXPECT_EQ(Pixel(width - 1, height - 1), 0xFF00FF00u);
    ASSERT_EQ(device->CreateVertexBuffer(96, 0, COLOR_FVF, D3DPOOL_DEFAULT, &buffer), GPU_OK);
    buffer->Release();
    device->SetTexture(0, nullptr);
    managed->Release();
}

TEST_F(GpuDeviceTest, ResetFailsWhileTheBackBufferIsHeldOutside)
{
    GpuSurface* backBuffer = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), GPU_OK);
    GpuSurfaceDesc desc;
    backBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.Width, width);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 1u);
    EXPECT_EQ(device->Reset(&parameters), GPUERR_INVALIDCALL);
    backBuffer->Release();
    GpuSurface* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), GPU_OK);
    EXPECT_EQ(device->Reset(&parameters), GPUERR_INVALIDCALL);
    depth->Release();
    EXPECT_EQ(device->Reset(&parameters), GPU_OK);

    // Parameters the device cannot take fail and leave it waiting for a good reset.
    GpuPresentParameters bad = parameters;
    bad.BackBufferCount = 4;
    EXPECT_EQ(device->Reset(&bad), GPUERR_INVALIDCALL);
    bad = parameters;
    bad.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(device->Reset(&bad), GPUERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0), GPU_OK);
    EXPECT_EQ(device->Present(), GPUERR_DEVICELOST);

    // A new size comes with the reset.
    parameters.BackBufferWidth = 32;
    parameters.BackBufferHeight = 16;
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    width = 32;
    height = 16;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
    std::vector<GpuColor> pixels = Pixels();
    ASSERT_EQ(pixels.size(), 32u * 16u);
    EXPECT_EQ(pixels.back(), 0xFF123456u);
}

TEST_F(GpuDeviceTest, ForcedLossSkipsFramesUntilReset)
{
    device->ForceDeviceLoss(2);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    EXPECT_EQ(device->Present(), GPUERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&parameters), GPUERR_DEVICELOST);
    // Drawing while lost does nothing and does not fail.
    device->SetRenderState(D3DRS_LIGHTING, 0);
    DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_EQ(device->GetStats().drawCalls, 0u);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(), GPUERR_DEVICELOST);
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), GPU_OK);
    EXPECT_EQ(device->Present(), GPU_OK);
    EXPECT_EQ(device->GetStats().presents, 1u);
}

TEST_F(GpuDeviceTest, FullScreenWindowLosesTheDeviceWhenMinimisedOrUnfocused)
{
    ASSERT_TRUE(CreateDevice(64, 48, false));
    EXPECT_EQ(device->TestCooperativeLevel(), GPU_OK);
    SendWindowEvent(window->sdlWindow, SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&parameters), GPUERR_DEVICELOST);
    SendWindowEvent(window->sdlWindow, SDL_WINDOWEVENT_RESTORED);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), GPU_OK);

    SendWindowEvent(window->sdlWindow, SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    SendWindowEvent(window->sdlWindow, SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);

    // A windowed device is never lost this way.
    parameters.Windowed = 1;
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    SendWindowEvent(window->sdlWindow, SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_EQ(device->TestCooperativeLevel(), GPU_OK);
    SendWindowEvent(window->sdlWindow, SDL_WINDOWEVENT_RESTORED);
}

TEST_F(GpuDeviceTest, BoundObjectsStayAliveUntilUnbound)
{
    GpuTexture* texture = MakeTexture(1, 1, {0xFFFFFFFF});
    uint32_t live = device->GetLiveResourceCount();
    device->SetTexture(3, texture);
    EXPECT_EQ(texture->Release(), 1u); // the owner lets go; the device still holds it
    EXPECT_EQ(device->GetLiveResourceCount(), live);
    GpuBaseTexture* bound = nullptr;
    device->GetTexture(3, &bound);
    EXPECT_EQ(bound, texture);
    bound->Release();
    device->SetTexture(3, nullptr);
    EXPECT_EQ(device->GetLiveResourceCount(), live - 1);

    GpuVertexBuffer* buffer = nullptr;
    GpuIndexBuffer* indices = nullptr;
    device->CreateVertexBuffer(96, 0, COLOR_FVF, D3DPOOL_MANAGED, &buffer);
    device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices);
    device->SetStreamSource(0, buffer, 24);
    device->SetIndices(indices, 0);
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(indices->Release(), 1u);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    EXPECT_EQ(device->GetLiveResourceCount(), live - 1);
}

TEST_F(GpuDeviceTest, ResourcesOutliveTheirDeviceSafely)
{
    GpuTexture* texture = MakeTexture(2, 2, {1, 2, 3, 4});
    GpuVertexBuffer* buffer = nullptr;
    device->CreateVertexBuffer(96, 0, COLOR_FVF, D3DPOOL_DEFAULT, &buffer);
    device->SetTexture(0, texture);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    EXPECT_EQ(texture->GetDevice(), nullptr);
    GpuLockedRect locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), GPU_OK);
    EXPECT_EQ(texture->UnlockRect(0), GPU_OK);
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(GpuDeviceTest, IndexedDrawsCheckEveryIndex)
{
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ScreenVertex vertices[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFF0000, 0, 0},
                                {9.5f, -0.5f, 0.5f, 1, 0xFFFF0000, 0, 0},
                                {-0.5f, 9.5f, 0.5f, 1, 0xFFFF0000, 0, 0},
                                {9.5f, 9.5f, 0.5f, 1, 0xFFFF0000, 0, 0}};
    GpuVertexBuffer* buffer = nullptr;
    GpuIndexBuffer* indices = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(vertices), 0, SCREEN_FVF, D3DPOOL_MANAGED, &buffer), GPU_OK);
    ASSERT_EQ(device->CreateIndexBuffer(8 * 4, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indices), GPU_OK);
    uint8_t* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices, sizeof(vertices));
    buffer->Unlock();
    const uint32_t list[8] = {0, 1, 2, 2, 1, 3, 4, 0};
    indices->Lock(0, 0, &data, 0);
    std::memcpy(data, list, sizeof(list));
    indices->Unlock();
    EXPECT_FALSE(indices->HoldsCopy()); // the checks below work from what GL holds
    device->SetVertexShader(SCREEN_FVF);
    device->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    device->SetIndices(indices, 0);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), GPU_OK);
    EXPECT_EQ(Pixel(9, 9), 0xFFFF0000u);
    EXPECT_EQ(Pixel(10, 9), 0xFF000000u);
    // Index 4 names no vertex; too many indices run past the buffer.
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 5, 1), GPUERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 3), GPUERR_INVALIDCALL);
    device->SetIndices(indices, 1); // base vertex moves the range past the end
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), GPUERR_INVALIDCALL);
    device->SetIndices(nullptr, 0);
    device->SetStreamSource(0, nullptr, 0);
    buffer->Release();
    indices->Release();
}

TEST_F(GpuDeviceTest, LocksRejectMisuse)
{
    GpuTexture* texture = MakeTexture(4, 4, std::vector<uint32_t>(16, 0xFF000000));
    GpuLockedRect locked;
    GpuRect rect = {1, 2, 3, 4};
    ASSERT_EQ(texture->LockRect(0, &locked, &rect, 0), GPU_OK);
    EXPECT_EQ(locked.Pitch, 16);
    std::memset(locked.pBits, 0xFF, 8);                                       // texels (1,2) and (2,2)
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), GPUERR_INVALIDCALL); // already locked
    ASSERT_EQ(texture->UnlockRect(0), GPU_OK);
    EXPECT_EQ(texture->UnlockRect(0), GPUERR_INVALIDCALL);
    GpuSurface* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    std::vector<GpuColor> texels = Pixels(level);
    EXPECT_EQ(texels[2 * 4 + 1], 0xFFFFFFFFu);
    EXPECT_EQ(texels[2 * 4 + 3], 0xFF000000u);
    level->Release();
    GpuRect outside = {2, 2, 5, 3};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), GPUERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), GPUERR_INVALIDCALL);
    texture->Release();

    GpuTexture* target = nullptr;
    device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target);
    EXPECT_EQ(target->LockRect(0, &locked, nullptr, 0), GPUERR_INVALIDCALL);
    target->Release();

    GpuVertexBuffer* buffer = nullptr;
    device->CreateVertexBuffer(96, 0, 0, D3DPOOL_MANAGED, &buffer);
    uint8_t* data = nullptr;
    EXPECT_EQ(buffer->Lock(90, 8, &data, 0), GPUERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buffer->Lock(90, 6, &data, 0), GPU_OK);
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), GPUERR_INVALIDCALL);
    EXPECT_EQ(buffer->Unlock(), GPU_OK);
    buffer->Release();
}

TEST_F(GpuDeviceTest, FaultInjectionFailsOnceThenRecovers)
{
    GpuTexture* texture = nullptr;
    device->FailNext(GpuDeviceFault::CreateResource);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), GPUERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), GPU_OK);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();

    device->RefuseFormat(D3DFMT_A8R8G8B8);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
              GPUERR_NOTAVAILABLE);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture),
              GPU_OK);
    texture->Release();
    device->RefuseFormat(D3DFMT_A8R8G8B8, false);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), GPU_OK);
    texture->Release();

    device->FailNext(GpuDeviceFault::Reset);
    EXPECT_EQ(device->Reset(&parameters), GPUERR_INVALIDCALL);
    EXPECT_EQ(device->Reset(&parameters), GPU_OK);
    device->FailNext(GpuDeviceFault::GetDeviceCaps);
    GpuCaps caps;
    EXPECT_EQ(device->GetDeviceCaps(&caps), GPUERR_INVALIDCALL);
    ASSERT_EQ(device->GetDeviceCaps(&caps), GPU_OK);
    EXPECT_GE(caps.MaxAnisotropy, 1u);
    EXPECT_EQ(caps.Caps2 & (D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANCALIBRATEGAMMA), 0u);

    GpuDisplayMode mode;
    system->FailNext(GpuSystemFault::GetAdapterDisplayMode);
    EXPECT_EQ(system->GetAdapterDisplayMode(0, &mode), GPUERR_INVALIDCALL);
    ASSERT_EQ(system->GetAdapterDisplayMode(0, &mode), GPU_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    system->OverrideCaps2(D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANCALIBRATEGAMMA);
    device->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.Caps2, uint32_t(D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANCALIBRATEGAMMA));
    system->OverrideCaps2(std::nullopt);

    system->FailNext(GpuSystemFault::CreateDevice);
    GpuDevice* second = nullptr;
    EXPECT_EQ(system->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &parameters, &second), GPUERR_INVALIDCALL);
    EXPECT_EQ(second, nullptr);
}

TEST_F(GpuDeviceTest, SystemListsModesAndChecksFormats)
{
    uint32_t count = system->GetAdapterModeCount(0);
    ASSERT_GT(count, 0u);
    GpuDisplayMode mode;
    EXPECT_EQ(system->EnumAdapterModes(0, 0, &mode), GPU_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_EQ(system->EnumAdapterModes(0, count, &mode), GPUERR_INVALIDCALL);
    system->OverrideModes({{640, 480, 60, D3DFMT_R5G6B5}, {800, 600, 60, D3DFMT_X8R8G8B8}});
    EXPECT_EQ(system->GetAdapterModeCount(0), 2u);
    EXPECT_EQ(system->EnumAdapterModes(0, 1, &mode), GPU_OK);
    EXPECT_EQ(mode.Width, 800u);
    system->OverrideModes({});
    EXPECT_EQ(system->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT1), GPU_OK);
    EXPECT_EQ(system->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                        D3DFMT_D24S8),
              GPU_OK);
    EXPECT_EQ(system->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_P8),
              GPUERR_NOTAVAILABLE);
}

// The software rasteriser's threads can hang the game: off, unless the user set their number.
TEST(GpuDriverEnvironment, RasteriserThreadsAreOffUnlessTheUserSetTheirNumber)
{
    const char* set = std::getenv("LP_NUM_THREADS");
    const std::string before = set != nullptr ? set : "";
    unsetenv("LP_NUM_THREADS");
    UseSerialSoftwareRasteriser();
    EXPECT_STREQ(std::getenv("LP_NUM_THREADS"), "0");
    setenv("LP_NUM_THREADS", "3", 1);
    UseSerialSoftwareRasteriser();
    EXPECT_STREQ(std::getenv("LP_NUM_THREADS"), "3") << "the user's number was overwritten";
    if (set != nullptr)
        setenv("LP_NUM_THREADS", before.c_str(), 1);
    else
        unsetenv("LP_NUM_THREADS");
}

} // namespace
} // namespace gputest
