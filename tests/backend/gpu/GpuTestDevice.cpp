#include "GpuTestDevice.h"

#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/window/SystemWindow.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace gputest {

using namespace backend;

void GpuDeviceTest::SetUp()
{
    system = CreateGpuSystem();
    ASSERT_NE(system, nullptr) << SDL_GetError();
    // A hidden window of the window service, as the game's are made.
    className = "VantrelGpuTest" + std::to_string(getpid());
    WindowClass windowClass;
    windowClass.className = className.c_str();
    ASSERT_TRUE(RegisterWindowClass(windowClass));
    window = backend::CreateWindow(className.c_str(), "gpu test", 0, 0, 0, 64, 48, nullptr);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ASSERT_TRUE(CreateDevice(64, 48));
    // The pixel tests read what was drawn straight into the window: it has the buffers the device needs.
    ASSERT_TRUE(device->GlContext()->DrawsToWindow());
}

void GpuDeviceTest::TearDown()
{
    if (device) {
        EXPECT_EQ(device->Release(), 0u);
        device = nullptr;
    }
    if (window)
        DestroyWindow(window);
    UnregisterWindowClass(className.c_str(), nullptr);
    if (system)
        system->Release();
}

bool GpuDeviceTest::CreateDevice(uint32_t w, uint32_t h, bool windowed)
{
    if (device)
        device->Release();
    device = nullptr;
    parameters = GpuPresentParameters();
    parameters.BackBufferWidth = w;
    parameters.BackBufferHeight = h;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = windowed;
    parameters.EnableAutoDepthStencil = 1;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    width = w;
    height = h;
    GpuResult result =
        system->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device);
    if (GpuFailed(result))
        ADD_FAILURE() << "CreateDevice failed: " << SDL_GetError();
    return GpuSucceeded(result);
}

void GpuDeviceTest::DrawScreenQuad(float x0, float y0, float x1, float y1, uint32_t color, float z, float u0, float v0,
                                   float u1, float v1)
{
    // D3D pixel centres are whole numbers: a quad covering pixels x0..x1-1 runs
    // from x0 - 0.5 to x1 - 0.5.
    ScreenVertex quad[4] = {
        {x0 - 0.5f, y0 - 0.5f, z, 1.0f, color, u0, v0},
        {x1 - 0.5f, y0 - 0.5f, z, 1.0f, color, u1, v0},
        {x0 - 0.5f, y1 - 0.5f, z, 1.0f, color, u0, v1},
        {x1 - 0.5f, y1 - 0.5f, z, 1.0f, color, u1, v1},
    };
    ASSERT_EQ(device->SetVertexShader(SCREEN_FVF), GPU_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), GPU_OK);
}

std::vector<GpuColor> GpuDeviceTest::Pixels(GpuSurface* surface)
{
    std::vector<GpuColor> pixels;
    EXPECT_EQ(device->ReadPixels(surface, pixels), GPU_OK);
    return pixels;
}

GpuColor GpuDeviceTest::Pixel(uint32_t x, uint32_t y)
{
    std::vector<GpuColor> pixels = Pixels();
    return pixels.at(size_t(y) * width + x);
}

GpuTexture* GpuDeviceTest::MakeTexture(uint32_t w, uint32_t h, const std::vector<uint32_t>& texels)
{
    GpuTexture* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), GPU_OK);
    if (!texture)
        return nullptr;
    GpuLockedRect locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), GPU_OK);
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * uint32_t(locked.Pitch), &texels[size_t(y) * w], w * 4);
    EXPECT_EQ(texture->UnlockRect(0), GPU_OK);
    return texture;
}

GpuTexture* GpuDeviceTest::MakeTarget(uint32_t w, uint32_t h, GpuSurface** level)
{
    GpuTexture* texture = nullptr;
    *level = nullptr;
    EXPECT_EQ(device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
              GPU_OK);
    if (texture) {
        EXPECT_EQ(texture->GetSurfaceLevel(0, level), GPU_OK);
    }
    return *level ? texture : nullptr;
}

::testing::AssertionResult ColorNear(GpuColor actual, GpuColor expected, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            char text[64];
            std::snprintf(text, sizeof(text), "0x%08X, expected 0x%08X", actual, expected);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace gputest
