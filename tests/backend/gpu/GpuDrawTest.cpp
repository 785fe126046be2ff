// Pixels the device draws: clears, coverage of screen and 2D quads, depth,
// culling, blending and alpha testing.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/MatrixMath.h"

#include <cstring>

namespace gputest {
namespace {

using namespace backend;

// Orthographic projection of a w x h screen, depth 0..1.
Matrix Ortho(float w, float h)
{
    Matrix m;
    MatrixOrthoLH(&m, w, h, 0, 1);
    return m;
}

void Begin2D(GpuDevice* device)
{
    Matrix projection = Ortho(800, 600), identity = GpuIdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_LIGHTING, 0);
}

TEST_F(GpuDeviceTest, ClearFillsTheTargetWhateverTheWriteMasks)
{
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699, 1.0f, 0), GPU_OK);
    for (GpuColor pixel : Pixels())
        ASSERT_EQ(pixel, 0xFF336699u);

    // Only the given rectangle, clipped to the viewport.
    GpuRect rect = {10, 5, 20, 9};
    ASSERT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), GPU_OK);
    std::vector<GpuColor> pixels = Pixels();
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool inside = x >= 10 && x < 20 && y >= 5 && y < 9;
            ASSERT_EQ(pixels[y * width + x], inside ? 0xFF00FF00u : 0xFF336699u) << x << "," << y;
        }
}

TEST_F(GpuDeviceTest, ScreenQuadCoversExactlyItsPixels)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    DrawScreenQuad(3, 2, 13, 7, 0xFFFF0000);
    std::vector<GpuColor> pixels = Pixels();
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool inside = x >= 3 && x < 13 && y >= 2 && y < 7;
            ASSERT_EQ(pixels[y * width + x], inside ? 0xFFFF0000u : 0xFF000000u) << x << "," << y;
        }
    EXPECT_EQ(device->GetStats().drawCalls, 1u);
}

// Pictures placed as they would be on D3D: UVs that start half a texel in
// sample each texel at its centre, so even linear filtering shows clean texels.
TEST_F(GpuDeviceTest, HalfTexelInsetUvsSampleTexelCentres)
{
    ASSERT_TRUE(CreateDevice(800, 600));
    GpuTexture* texture = MakeTexture(4, 1, {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF});
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    Begin2D(device);
    const float u0 = 0.5f / 4, u1 = 1.0f + 0.5f / 4;
    ColorVertex quad[4] = {{-2, -0.5f, 1, 0xFFFFFFFF, u0, 0.5f},
                           {-2, 0.5f, 1, 0xFFFFFFFF, u0, 0.5f},
                           {2, -0.5f, 1, 0xFFFFFFFF, u1, 0.5f},
                           {2, 0.5f, 1, 0xFFFFFFFF, u1, 0.5f}};
    Matrix world = GpuIdentityMatrix();
    world.m[3][0] = 2 - 400.0f; // pixels 0..3 of the top row
    world.m[3][1] = 300.0f - 0.5f;
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetVertexShader(COLOR_FVF);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex)), GPU_OK);
    std::vector<GpuColor> pixels = Pixels();
    for (uint32_t x = 0; x < 4; ++x)
        EXPECT_TRUE(ColorNear(pixels[x], x % 2 ? 0xFFFFFFFF : 0xFF000000, 6)) << x;
    EXPECT_EQ(pixels[4], 0xFF0000FFu);
    EXPECT_EQ(pixels[800], 0xFF0000FFu);

    // The same with pre-transformed vertices whose edges lie on whole pixels.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    ScreenVertex screen[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, u0, 0.5f},
                              {4, 0, 0.5f, 1, 0xFFFFFFFF, u1, 0.5f},
                              {0, 1, 0.5f, 1, 0xFFFFFFFF, u0, 0.5f},
                              {4, 1, 0.5f, 1, 0xFFFFFFFF, u1, 0.5f}};
    device->SetVertexShader(SCREEN_FVF);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, screen, sizeof(ScreenVertex)), GPU_OK);
    pixels = Pixels();
    for (uint32_t x = 0; x < 4; ++x)
        EXPECT_TRUE(ColorNear(pixels[x], x % 2 ? 0xFFFFFFFF : 0xFF000000, 6)) << x;
    EXPECT_EQ(pixels[4], 0xFF0000FFu);
    EXPECT_EQ(pixels[800], 0xFF0000FFu);
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(GpuDeviceTest, DepthRangeIsZeroToOneAndFarPlaneIsKept)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    // z = 0 and z = 1 are both inside; the nearer quad wins where they overlap.
    DrawScreenQuad(0, 0, 40, 48, 0xFF00FF00, 1.0f);
    DrawScreenQuad(20, 0, 64, 48, 0xFFFF0000, 0.0f);
    DrawScreenQuad(0, 0, 64, 48, 0xFF0000FF, 0.5f); // behind red, in front of green
    EXPECT_EQ(Pixel(5, 10), 0xFF0000FFu);
    EXPECT_EQ(Pixel(30, 10), 0xFFFF0000u);
    EXPECT_EQ(Pixel(50, 10), 0xFFFF0000u);

    // Transformed geometry exactly on the far plane of the projection is drawn.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Matrix projection = Ortho(64, 48), identity = GpuIdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ColorVertex quad[4] = {{-32, -24, 1, 0xFFFFFFFF, 0, 0},
                           {-32, 24, 1, 0xFFFFFFFF, 0, 0},
                           {32, -24, 1, 0xFFFFFFFF, 0, 0},
                           {32, 24, 1, 0xFFFFFFFF, 0, 0}};
    device->SetVertexShader(COLOR_FVF);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex)), GPU_OK);
    EXPECT_EQ(Pixel(32, 24), 0xFFFFFFFFu);
    // Beyond the far plane is clipped.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    for (ColorVertex& v : quad)
        v.z = 1.01f;
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex)), GPU_OK);
    EXPECT_EQ(Pixel(32, 24), 0xFF000000u);
}

// A stencil mark made where a quad passes the depth test, and another where
// it fails it, each limit a later draw to where they are; texture targets
// and depth formats without stencil bits draw as without a stencil buffer.
TEST_F(GpuDeviceTest, StencilMarksFromDepthPassAndFailLimitLaterDraws)
{
    constexpr GpuColor GREEN = 0xFF00FF00, RED = 0xFFFF0000, BLUE = 0xFF0000FF, BLACK = 0xFF000000;
    device->SetRenderState(D3DRS_LIGHTING, 0);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, BLACK, 1.0f, 0), GPU_OK);
    EXPECT_TRUE(device->TargetHasStencil());
    DrawScreenQuad(0, 0, 16, 48, GREEN, 0.2f);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILREF, 3);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_INCRSAT);
    DrawScreenQuad(8, 0, 32, 48, RED, 0.5f); // behind green on [8, 16): marked 1 there, 3 on [16, 32)

    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    DrawScreenQuad(0, 0, 64, 48, BLUE);
    // Only bit 1 is compared: 3 matches 2, 1 and 0 do not.
    device->SetRenderState(D3DRS_STENCILREF, 2);
    device->SetRenderState(D3DRS_STENCILMASK, 2);
    DrawScreenQuad(0, 0, 64, 48, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(4, 10), GREEN);
    EXPECT_EQ(Pixel(12, 10), BLUE);
    EXPECT_EQ(Pixel(20, 10), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(40, 10), BLACK);

    // Into a texture, or over a depth buffer without stencil, the same states limit nothing.
    GpuSurface *level = nullptr, *back = nullptr, *depth = nullptr;
    GpuTexture* texture = MakeTarget(8, 8, &level);
    ASSERT_NE(texture, nullptr);
    device->GetRenderTarget(&back);
    device->GetDepthStencilSurface(&depth);
    ASSERT_EQ(device->SetRenderTarget(level, depth), GPU_OK);
    EXPECT_FALSE(device->TargetHasStencil());
    DrawScreenQuad(0, 0, 8, 8, RED);
    EXPECT_EQ(Pixels(level)[0], RED);
    device->SetRenderTarget(back, depth);
    for (GpuSurface* surface : {level, back, depth})
        surface->Release();
    texture->Release();
    parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    EXPECT_FALSE(device->TargetHasStencil());
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NEVER);
    DrawScreenQuad(0, 0, 64, 48, RED);
    EXPECT_EQ(Pixel(4, 10), RED);
}

TEST_F(GpuDeviceTest, CullModesRemoveTheWindingTheyName)
{
    device->SetRenderState(D3DRS_LIGHTING, 0);
    // Clockwise on the screen (y grows downwards).
    ScreenVertex clockwise[3] = {
        {0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {64, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {0, 48, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
    ScreenVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    device->SetVertexShader(SCREEN_FVF);
    struct Case {
        uint32_t cull;
        const ScreenVertex* triangle;
        bool drawn;
    } cases[] = {{D3DCULL_CCW, clockwise, true}, {D3DCULL_CCW, counter, false},   {D3DCULL_CW, clockwise, false},
                 {D3DCULL_CW, counter, true},    {D3DCULL_NONE, clockwise, true}, {D3DCULL_NONE, counter, true}};
    for (const Case& c : cases) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->SetRenderState(D3DRS_CULLMODE, c.cull);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, c.triangle, sizeof(ScreenVertex)), GPU_OK);
        EXPECT_EQ(Pixel(5, 5), c.drawn ? 0xFFFFFFFFu : 0xFF000000u) << "cull " << c.cull;
    }
}

TEST_F(GpuDeviceTest, AlphaBlendAndAlphaTestUseTheDiffuseAlpha)
{
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawScreenQuad(0, 0, 32, 48, 0x80FF0000);
    EXPECT_TRUE(ColorNear(Pixel(5, 5), 0xFF80007F));

    // Additive blending saturates.
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawScreenQuad(0, 0, 32, 48, 0xFFFF00FF);
    EXPECT_TRUE(ColorNear(Pixel(5, 5), 0xFFFF00FF));

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 16);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawScreenQuad(0, 0, 10, 10, 0x10FFFFFF);  // 16 is not greater than 16
    DrawScreenQuad(10, 0, 20, 10, 0x11FFFFFF); // 17 is
    EXPECT_EQ(Pixel(5, 5), 0xFF000000u);
    EXPECT_EQ(Pixel(15, 5), 0xFFFFFFFFu);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    DrawScreenQuad(0, 0, 10, 10, 0x10FFFFFF);
    EXPECT_EQ(Pixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(GpuDeviceTest, VertexBufferLockCopiesOnUnlock)
{
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    GpuVertexBuffer* buffer = nullptr;
    ASSERT_EQ(
        device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, SCREEN_FVF, D3DPOOL_MANAGED, &buffer),
        GPU_OK);
    device->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    device->SetVertexShader(SCREEN_FVF);
    auto fill = [&](float x0, float x1, uint32_t color) {
        ScreenVertex quad[4] = {{x0 - 0.5f, -0.5f, 0.5f, 1, color, 0, 0},
                                {x1 - 0.5f, -0.5f, 0.5f, 1, color, 0, 0},
                                {x0 - 0.5f, 47.5f, 0.5f, 1, color, 0, 0},
                                {x1 - 0.5f, 47.5f, 0.5f, 1, color, 0, 0}};
        uint8_t* data = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &data, 0), GPU_OK);
        std::memcpy(data, quad, sizeof(quad));
        ASSERT_EQ(buffer->Unlock(), GPU_OK);
    };
    // The same buffer rewritten between draws: each draw keeps what it was given.
    fill(0, 10, 0xFFFF0000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), GPU_OK);
    // Once written, a buffer that is not dynamic lives in GL only; a lock
    // hands out what it holds and the copy stays from then on.
    EXPECT_FALSE(buffer->HoldsCopy());
    uint8_t* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_READONLY), GPU_OK);
    ScreenVertex held[4];
    std::memcpy(held, data, sizeof(held));
    ASSERT_EQ(buffer->Unlock(), GPU_OK);
    EXPECT_EQ(held[3].x, 9.5f);
    EXPECT_EQ(held[3].color, 0xFFFF0000u);
    fill(20, 30, 0xFF00FF00);
    EXPECT_TRUE(buffer->HoldsCopy());
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), GPU_OK);
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), GPU_OK);
    std::memset(data, 0, 4 * sizeof(ScreenVertex)); // locked, never unlocked before reading
    EXPECT_EQ(Pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(Pixel(25, 5), 0xFF00FF00u);
    EXPECT_EQ(buffer->Unlock(), GPU_OK);

    // Draws beyond the buffer are refused, zero primitives draw nothing.
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), GPUERR_INVALIDCALL);
    uint64_t draws = device->GetStats().drawCalls;
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 0), GPU_OK);
    EXPECT_EQ(device->GetStats().drawCalls, draws);
    device->SetStreamSource(0, nullptr, 0);
    buffer->Release();

    GpuVertexBuffer* dynamic = nullptr; // rewritten every frame: keeps its copy
    ASSERT_EQ(
        device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, SCREEN_FVF, D3DPOOL_DEFAULT, &dynamic),
        GPU_OK);
    ASSERT_EQ(dynamic->Lock(0, 0, &data, D3DLOCK_DISCARD), GPU_OK);
    ASSERT_EQ(dynamic->Unlock(), GPU_OK);
    EXPECT_TRUE(dynamic->HoldsCopy());
    dynamic->Release();
}

} // namespace
} // namespace gputest
