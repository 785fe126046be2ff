#include "RenderTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstring>

using namespace backend;

TEST_F(RenderDeviceTest, WindowedCreationTakesClientAreaAndDesktopFormat)
{
    ASSERT_TRUE(OpenDevice());
    const GpuPresentParameters& pp = g_RenderDevice.presentParameters;
    EXPECT_EQ(pp.BackBufferWidth, 800u);
    EXPECT_EQ(pp.BackBufferHeight, 600u);
    GpuDisplayMode desktop;
    ASSERT_TRUE(GpuSucceeded(g_RenderDevice.direct3D->GetAdapterDisplayMode(0, &desktop)));
    EXPECT_EQ(pp.BackBufferFormat, desktop.Format);
    EXPECT_EQ(pp.Windowed, 1);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(g_RenderDevice.backBufferDesc.Height, 600u);
    // The caches start cleared and the ramp is the identity.
    EXPECT_EQ(g_RenderDevice.currentVertexShader, 0xFFFFFFFFu);
    for (GpuBaseTexture* texture : g_RenderDevice.currentTexture)
        EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(g_RenderDevice.gammaRamp.red[1], 0x100);
    EXPECT_EQ(g_RenderDevice.gammaRamp.green[255], 0xFF00);
    EXPECT_EQ(g_RenderDevice.gammaRamp.blue[128], 0x8000);
    EXPECT_TRUE(g_LastError.empty());
}

TEST_F(RenderDeviceTest, FullScreenCreationUsesModeAndPresentsImmediately)
{
    ASSERT_TRUE(g_RenderDevice.Init());
    GpuDisplayMode mode;
    mode.Width = 800;
    mode.Height = 600;
    mode.Format = D3DFMT_X8R8G8B8;
    ASSERT_TRUE(g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, true,
                                            D3DFMT_D24S8, 2, false));
    const GpuPresentParameters& pp = g_RenderDevice.presentParameters;
    EXPECT_EQ(pp.Windowed, 0);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferWidth, 800u);
    EXPECT_EQ(pp.BackBufferHeight, 600u);
    EXPECT_EQ(pp.BackBufferCount, 2u);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(pp.FullScreen_PresentationInterval, uint32_t(D3DPRESENT_INTERVAL_IMMEDIATE));
}

TEST_F(RenderDeviceTest, EachFailingCreationStepReportsItsMessage)
{
    ASSERT_TRUE(g_RenderDevice.Init());
    GpuDisplayMode mode;
    g_RenderDevice.direct3D->FailNext(GpuSystemFault::GetAdapterDisplayMode);
    EXPECT_FALSE(g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, 0, true, D3DFMT_D24S8, 1, true));
    EXPECT_EQ(g_LastError, "Error getting adapter's display mode!");

    EXPECT_FALSE(g_RenderDevice.CreateDevice(nullptr, mode, D3DDEVTYPE_HAL, 0, true, D3DFMT_D24S8, 1, true));
    EXPECT_EQ(g_LastError, "Error getting window dimensions!");

    g_RenderDevice.direct3D->FailNext(GpuSystemFault::CreateDevice);
    EXPECT_FALSE(g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, 0, true, D3DFMT_D24S8, 1, true));
    EXPECT_EQ(g_LastError, "Error creating Direct3D8 device!");
    EXPECT_EQ(g_RenderDevice.device, nullptr);

    // The caps step fails after the device was made: it stays in the record, and
    // the gamma ramp and caches are not reached.
    g_RenderDevice.direct3D->FailNext(GpuSystemFault::NewDeviceCaps);
    g_RenderDevice.gammaRamp.red[1] = 0;
    g_RenderDevice.currentVertexShader = 0x142;
    EXPECT_FALSE(g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, 0, true, D3DFMT_D24S8, 1, true));
    EXPECT_EQ(g_LastError, "Error getting Direct3D8 device capabilities!");
    EXPECT_NE(g_RenderDevice.device, nullptr);
    EXPECT_EQ(g_RenderDevice.presentParameters.BackBufferWidth, 800u);
    EXPECT_EQ(g_RenderDevice.gammaRamp.red[1], 0u);
    EXPECT_EQ(g_RenderDevice.currentVertexShader, 0x142u);
    // Only the first query fails.
    GpuCaps caps;
    EXPECT_TRUE(GpuSucceeded(g_RenderDevice.device->GetDeviceCaps(&caps)));

    // Without the Direct3D object there is nothing to create the device with.
    RenderDevice empty;
    EXPECT_FALSE(empty.CreateDevice(window, mode, D3DDEVTYPE_HAL, 0, true, D3DFMT_D24S8, 1, true));
}

TEST_F(RenderDeviceTest, GammaRampReachesOnlyDevicesWithFullScreenGamma)
{
    ASSERT_TRUE(OpenDevice());
    EXPECT_EQ(g_RenderDevice.device->GetStats().setGammaRampCalls, 0u);
    g_RenderDevice.canSetGamma = false;
    g_RenderDevice.ApplyGammaRamp();
    EXPECT_EQ(g_RenderDevice.device->GetStats().setGammaRampCalls, 0u);
    g_RenderDevice.Shutdown();

    ASSERT_TRUE(g_RenderDevice.Init());
    g_RenderDevice.direct3D->OverrideCaps2(D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANCALIBRATEGAMMA);
    GpuDisplayMode mode;
    ASSERT_TRUE(g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, 0, true, D3DFMT_D24S8, 1, true));
    EXPECT_TRUE(g_RenderDevice.canSetGamma);
    EXPECT_EQ(g_RenderDevice.calibrateGamma, 1u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().setGammaRampCalls, 1u);
    EXPECT_EQ(g_RenderDevice.device->GetStats().lastGammaFlags, uint32_t(D3DSGR_CALIBRATE));
}

TEST_F(RenderDeviceTest, SaveSlotsHoldOneValuePerState)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;

    // Change, Change, Revert: the second Change saved the first one's value.
    rd.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_TRUE(rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CW));
    EXPECT_TRUE(rd.ChangeRenderState(D3DRS_CULLMODE, D3DCULL_CCW));
    EXPECT_TRUE(rd.RevertRenderState(D3DRS_CULLMODE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), uint32_t(D3DCULL_CW));

    // A single Change and Revert restores what was there before.
    EXPECT_TRUE(rd.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_TRUE(rd.RevertRenderState(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);

    // Stage slots are indexed stage x 128 + type: the last one is apart from its neighbours.
    rd.device->SetTextureStageState(7, 127, 77);
    rd.device->SetTextureStageState(6, 127, 66);
    rd.device->SetTextureStageState(0, 0, 11);
    EXPECT_TRUE(rd.ChangeTextureStageState(7, 127, 1));
    EXPECT_TRUE(rd.ChangeTextureStageState(6, 127, 2));
    EXPECT_TRUE(rd.ChangeTextureStageState(0, 0, 3));
    EXPECT_EQ(rd.savedTextureStageStates[7][127], 77u);
    EXPECT_EQ(rd.savedTextureStageStates[6][127], 66u);
    EXPECT_EQ(rd.savedTextureStageStates[0][0], 11u);
    EXPECT_TRUE(rd.RevertTextureStageState(7, 127));
    EXPECT_EQ(StageState(7, 127), 77u);
    EXPECT_EQ(StageState(6, 127), 2u);

    // Numbers outside the tables are refused instead of writing past them.
    const RenderDevice before = rd;
    EXPECT_FALSE(rd.ChangeRenderState(256, 1));
    EXPECT_FALSE(rd.RevertRenderState(1000));
    EXPECT_FALSE(rd.ChangeTextureStageState(8, 1, 1));
    EXPECT_FALSE(rd.ChangeTextureStageState(0, 128, 1));
    EXPECT_FALSE(rd.SaveTextureStageState(8, 0));
    EXPECT_EQ(
        std::memcmp(before.savedTextureStageStates, rd.savedTextureStageStates, sizeof(rd.savedTextureStageStates)), 0);
    EXPECT_EQ(rd.gammaRamp.red[1], before.gammaRamp.red[1]);
}

TEST_F(RenderDeviceTest, TextureCacheSkipsRepeatsUntilResetStateCache)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;
    GpuTexture* texture = nullptr;
    ASSERT_TRUE(GpuSucceeded(rd.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)));
    rd.device->ResetStats();
    EXPECT_TRUE(rd.SetTexture(0, texture));
    EXPECT_TRUE(rd.SetTexture(0, texture));
    EXPECT_EQ(rd.device->GetStats().setTextureCalls, 1u);
    EXPECT_EQ(rd.currentTexture[0], texture);
    rd.ResetStateCache();
    EXPECT_TRUE(rd.SetTexture(0, texture));
    EXPECT_EQ(rd.device->GetStats().setTextureCalls, 2u);
    EXPECT_FALSE(rd.SetTexture(8, texture));
    rd.SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(RenderDeviceTest, ReleasedTextureReplacedByNewOneStillBinds)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;
    GpuTexture* first = nullptr;
    ASSERT_TRUE(GpuSucceeded(rd.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &first)));
    ASSERT_TRUE(rd.SetTexture(0, first));
    // The owner lets its texture go; the device still holds it, so a new one
    // cannot take its address and the cache comparison sees a different texture.
    first->Release();
    for (int i = 0; i < 8; ++i) {
        GpuTexture* next = nullptr;
        ASSERT_TRUE(GpuSucceeded(rd.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &next)));
        rd.device->ResetStats();
        ASSERT_TRUE(rd.SetTexture(0, next));
        EXPECT_EQ(rd.device->GetStats().setTextureCalls, 1u);
        GpuBaseTexture* bound = nullptr;
        rd.device->GetTexture(0, &bound);
        EXPECT_EQ(bound, next);
        if (bound != nullptr)
            bound->Release();
        next->Release();
    }
    rd.SetTexture(0, nullptr);
}

TEST_F(RenderDeviceTest, VertexFormatCacheAndPrimitiveCounter)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;
    GpuVertexBuffer* buffer = nullptr;
    ASSERT_TRUE(GpuSucceeded(rd.device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &buffer)));
    EXPECT_TRUE(rd.SetStreamSource(0, buffer, 24));
    rd.device->SetVertexShader(0x142);
    rd.currentVertexShader = 0x142;
    rd.primitiveCount = 0;
    EXPECT_TRUE(rd.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    EXPECT_EQ(rd.primitiveCount, 2u);
    // A failing draw counts nothing.
    EXPECT_FALSE(rd.DrawPrimitive(0xFFFF, 0, 2));
    EXPECT_EQ(rd.primitiveCount, 2u);
    rd.ResetStateCache();
    EXPECT_EQ(rd.currentVertexShader, 0xFFFFFFFFu);
    EXPECT_TRUE(rd.SetRenderState(D3DRS_TEXTUREFACTOR, 0x12345678));
    EXPECT_TRUE(rd.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE));
    EXPECT_EQ(RenderState(D3DRS_TEXTUREFACTOR), 0x12345678u);
    rd.SetStreamSource(0, nullptr, 0);
    buffer->Release();
}

TEST_F(RenderDeviceTest, Begin2DSetsOrthographicScreenWithoutDepthOrLighting)
{
    ASSERT_TRUE(OpenDevice());
    RenderDevice& rd = g_RenderDevice;
    Matrix world;
    MatrixTranslation(&world, 5, 6, 7);
    rd.device->SetTransform(D3DTS_WORLD, &world);
    rd.device->SetTransform(D3DTS_VIEW, &world);
    rd.savedRenderStates[D3DRS_ZENABLE] = 0xABCD;
    rd.Begin2D(800.0f, 600.0f);

    Matrix expected, got, identity;
    MatrixOrthoLH(&expected, 800.0f, 600.0f, 0.0f, 1.0f);
    MatrixIdentity(&identity);
    rd.device->GetTransform(D3DTS_PROJECTION, &got);
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof(Matrix)), 0);
    rd.device->GetTransform(D3DTS_WORLD, &got);
    EXPECT_EQ(std::memcmp(&got, &identity, sizeof(Matrix)), 0);
    rd.device->GetTransform(D3DTS_VIEW, &got);
    EXPECT_EQ(std::memcmp(&got, &identity, sizeof(Matrix)), 0);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 0u);
    // Set directly, not through the saved slots.
    EXPECT_EQ(rd.savedRenderStates[D3DRS_ZENABLE], 0xABCDu);
}

TEST_F(RenderDeviceTest, ShutdownReleasesDeviceAndSystem)
{
    ASSERT_TRUE(OpenDevice());
    g_RenderDevice.Shutdown();
    EXPECT_EQ(g_RenderDevice.device, nullptr);
    EXPECT_EQ(g_RenderDevice.direct3D, nullptr);
    g_RenderDevice.Shutdown();
    // A second start after a shutdown works.
    EXPECT_TRUE(OpenDevice());
}
