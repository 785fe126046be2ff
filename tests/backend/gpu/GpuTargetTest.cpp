// Drawing into textures, lighting, and the generated programs for every
// combination of stage settings the game can ask for.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuGlState.h"
#include "backend/gpu/GpuPipeline.h"
#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexLayout.h"

#include <cmath>

namespace gputest {
namespace {

using namespace backend;

TEST_F(GpuDeviceTest, RenderTargetRoundTripKeepsRowZeroAtTheTop)
{
    GpuSurface* surface = nullptr;
    GpuTexture* target = MakeTarget(16, 16, &surface);
    ASSERT_NE(target, nullptr);
    GpuSurface* backBuffer = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&backBuffer), GPU_OK);

    ASSERT_EQ(device->SetRenderTarget(surface, nullptr), GPU_OK);
    GpuViewport viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 16u);
    EXPECT_EQ(viewport.Height, 16u);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), GPU_OK);
    // The top four rows red, drawn clockwise so that CCW culling keeps them.
    DrawScreenQuad(0, 0, 16, 4, 0xFFFF0000);
    // One point at (0, 15): the bottom-left texel.
    ScreenVertex point = {0, 15, 0.5f, 1, 0xFF00FF00, 0, 0};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof(point)), GPU_OK);
    std::vector<GpuColor> texels = Pixels(surface);
    ASSERT_EQ(texels.size(), 256u);
    EXPECT_EQ(texels[0], 0xFFFF0000u);
    EXPECT_EQ(texels[3 * 16 + 15], 0xFFFF0000u);
    EXPECT_EQ(texels[4 * 16], 0xFF000000u);
    EXPECT_EQ(texels[15 * 16], 0xFF00FF00u);
    EXPECT_EQ(texels[15 * 16 + 1], 0xFF000000u);

    // Shown on the screen, the texture's top is the picture's top.
    ASSERT_EQ(device->SetRenderTarget(backBuffer, nullptr), GPU_OK);
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, width);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    device->SetTexture(0, target);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawScreenQuad(0, 0, 16, 16, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(15, 3), 0xFFFF0000u);
    EXPECT_EQ(Pixel(0, 15), 0xFF00FF00u);
    EXPECT_EQ(Pixel(8, 8), 0xFF000000u);

    device->SetTexture(0, nullptr);
    backBuffer->Release();
    surface->Release();
    target->Release();
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
}

TEST_F(GpuDeviceTest, RenderTargetKeepsTheCullSenseOfTheScreen)
{
    GpuSurface* surface = nullptr;
    GpuTexture* target = MakeTarget(16, 16, &surface);
    ASSERT_NE(target, nullptr);
    GpuSurface* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), GPU_OK);
    device->SetRenderTarget(surface, nullptr);
    GpuSurface* none = nullptr;
    EXPECT_EQ(device->GetDepthStencilSurface(&none), GPUERR_NOTAVAILABLE);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // A clockwise (on screen) transformed triangle survives CCW culling in a texture too.
    const Matrix identity = GpuIdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &identity);
    ColorVertex triangle[3] = {
        {-1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {-1, -1, 0.5f, 0xFFFFFFFF, 0, 0}};
    device->SetVertexShader(COLOR_FVF);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColorVertex)), GPU_OK);
    std::vector<GpuColor> texels = Pixels(surface);
    EXPECT_EQ(texels[1 * 16 + 1], 0xFFFFFFFFu); // near the top-left corner
    EXPECT_EQ(texels[14 * 16 + 14], 0xFF000000u);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColorVertex)), GPU_OK);
    EXPECT_EQ(Pixels(surface)[1 * 16 + 1], 0xFF000000u);

    GpuSurface* backBuffer = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    // The device's depth buffer (64x48) can serve this 16x16 target, not a larger one.
    EXPECT_EQ(device->SetRenderTarget(surface, depth), GPU_OK);
    GpuSurface* largeSurface = nullptr;
    GpuTexture* large = MakeTarget(128, 16, &largeSurface);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(device->SetRenderTarget(largeSurface, depth), GPUERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(largeSurface, nullptr), GPU_OK);
    EXPECT_EQ(device->SetRenderTarget(backBuffer, depth), GPU_OK);
    largeSurface->Release();
    large->Release();
    depth->Release();
    backBuffer->Release();
    surface->Release();
    target->Release();
}

TEST_F(GpuDeviceTest, DirectionalLightShadesByNormalAndMaterial)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const Matrix identity = GpuIdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    GpuMaterial material;
    material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    GpuLight light;
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {0.0f, 0.0f, 1.0f}; // shining away from the viewer
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    struct NormalVertex {
        float x, y, z, nx, ny, nz;
    };
    auto draw = [&](float nx, float ny, float nz) {
        NormalVertex quad[4] = {
            {-1, -1, 0.5f, nx, ny, nz}, {-1, 1, 0.5f, nx, ny, nz}, {1, -1, 0.5f, nx, ny, nz}, {1, 1, 0.5f, nx, ny, nz}};
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(NormalVertex)), GPU_OK);
        return Pixel(width / 2, height / 2);
    };
    // Specular light adds after the stages, and only when enabled.
    material.Specular = {0.0f, 0.0f, 1.0f, 1.0f};
    material.Power = 4.0f;
    device->SetMaterial(&material);
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetLight(0, &light);
    EXPECT_TRUE(ColorNear(draw(0, 0, -1), 0xFFFF8040));
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    device->SetRenderState(D3DRS_LOCALVIEWER, 0); // the half vector is then straight at the viewer
    EXPECT_TRUE(ColorNear(draw(0, 0, -1), 0xFFFF80FF));
    // Seen from the origin, the corners of this wide quad are far off the highlight (N.H = 0.82, to the 4th).
    device->SetRenderState(D3DRS_LOCALVIEWER, 1);
    EXPECT_TRUE(ColorNear(draw(0, 0, -1), 0xFFFF80B1, 3));
    device->SetRenderState(D3DRS_SPECULARENABLE, 0);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    // A disabled light gives only the ambient part.
    device->LightEnable(0, false);
    EXPECT_TRUE(ColorNear(draw(0, 0, -1), 0xFF404040));
    // Lights add up, each from its own side, whichever indices are on.
    device->SetRenderState(D3DRS_AMBIENT, 0);
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    const ColorValue colors[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    const Vector3 sides[3] = {{0, 0, 1}, {0, -std::sqrt(3.0f) / 2, 0.5f}, {0, 0, 1}}; // full, half, full
    const uint32_t indices[3] = {1, 2, 5};
    for (int i = 0; i < 3; ++i) {
        light.Diffuse = colors[i];
        light.Direction = sides[i];
        device->SetLight(indices[i], &light);
        device->LightEnable(indices[i], true);
    }
    EXPECT_TRUE(ColorNear(draw(0, 0, -1), 0xFFFF80FF));
    device->LightEnable(1, false);
    EXPECT_TRUE(ColorNear(draw(0, 0, -1), 0xFF0080FF));
}

// Every operation, argument source, coordinate source and transform count the
// game can ask for must give a program that builds.
TEST_F(GpuDeviceTest, GeneratedProgramsBuildForEveryStageSetting)
{
    GpuStateBlock state;
    state.SetDefaults(width, height);
    const uint32_t ops[] = {D3DTOP_SELECTARG1,        D3DTOP_SELECTARG2,       D3DTOP_MODULATE,
                            D3DTOP_MODULATE2X,        D3DTOP_MODULATE4X,       D3DTOP_ADD,
                            D3DTOP_ADDSIGNED,         D3DTOP_SUBTRACT,         D3DTOP_BLENDDIFFUSEALPHA,
                            D3DTOP_BLENDTEXTUREALPHA, D3DTOP_BLENDFACTORALPHA, D3DTOP_BLENDCURRENTALPHA,
                            D3DTOP_DOTPRODUCT3,       D3DTOP_DISABLE};
    const uint32_t args[] = {D3DTA_DIFFUSE,
                             D3DTA_CURRENT,
                             D3DTA_TEXTURE,
                             D3DTA_TFACTOR,
                             D3DTA_SPECULAR,
                             D3DTA_TEXTURE | D3DTA_COMPLEMENT,
                             D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE};
    const uint32_t fvfs[] = {COLOR_FVF,
                             SCREEN_FVF,
                             D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                             D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2,
                             D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1 |
                                 D3DFVF_TEXCOORDSIZE3(0),
                             D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE1(0)};
    GpuTexture* texture = MakeTexture(1, 1, {0xFFFFFFFF});
    GpuBaseTexture* textures[8] = {texture, texture};
    GpuGlState glState;
    GpuShaderCache cache(glState);
    GpuVertexLayout layout;
    for (const uint32_t& fvf : fvfs) {
        ASSERT_TRUE(GpuDescribeFvf(fvf, layout));
        for (uint32_t lighting = 0; lighting < 2; ++lighting) {
            state.renderStates[D3DRS_LIGHTING] = lighting;
            for (uint32_t light = 0; light < GPU_MAX_LIGHTS; ++light) { // a program for each light count
                state.lights[light].Type = D3DLIGHT_DIRECTIONAL;
                state.lightEnabled[light] = lighting && light < uint32_t(&fvf - fvfs);
            }
            state.renderStates[D3DRS_SPECULARENABLE] = lighting;
            state.renderStates[D3DRS_ALPHATESTENABLE] = lighting;
            state.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
            state.stageStates[1][D3DTSS_COLOROP] = D3DTOP_MODULATE;
            for (uint32_t source = 0; source < 4; ++source)
                for (uint32_t count = 0; count <= 4; ++count) {
                    state.stageStates[1][D3DTSS_TEXCOORDINDEX] = (source << 16) | (count & 1);
                    state.stageStates[1][D3DTSS_TEXTURETRANSFORMFLAGS] = count;
                    GpuShaderKey key = GpuPipeline::MakeKey(state, layout, textures);
                    ASSERT_NE(cache.Get(key), nullptr) << cache.LastError();
                }
        }
    }
    for (uint32_t op : ops)
        for (uint32_t arg : args) {
            state.stageStates[1][D3DTSS_COLOROP] = op;
            state.stageStates[1][D3DTSS_COLORARG1] = arg;
            state.stageStates[1][D3DTSS_ALPHAOP] = op;
            state.stageStates[1][D3DTSS_ALPHAARG2] = arg;
            GpuShaderKey key = GpuPipeline::MakeKey(state, layout, textures);
            ASSERT_NE(cache.Get(key), nullptr) << cache.LastError();
        }
    EXPECT_GT(cache.Size(), 200u);
    texture->Release();
}

} // namespace
} // namespace gputest
