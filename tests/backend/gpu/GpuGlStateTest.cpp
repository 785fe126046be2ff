// The device sends GL only what changed: what it must still send after GL
// was changed behind its back, after a reset, after objects were released
// and made again, and on a back buffer that is not the window's.

#include "GpuTestDevice.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuIndexBuffer.h"
#include "backend/gpu/GpuSurface.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"

#include <cstring>

namespace gputest {
namespace {

using namespace backend;

constexpr GpuColor RED = 0xFFFF0000u, GREEN = 0xFF00FF00u, BLUE = 0xFF0000FFu, BLACK = 0xFF000000u;

class GpuGlStateTest : public GpuDeviceTest {
protected:
    // Stage 0 shows its texture times the vertex colour; nothing is lit.
    void UseTexturedStage()
    {
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }
    void ClearTo(GpuColor color)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, color, 1.0f, 0);
    }

    // A quad over [x0, x1) x [0, 8) in a default-pool vertex buffer with an
    // index buffer, drawn indexed.
    struct QuadBuffers {
        GpuVertexBuffer* vertices = nullptr;
        GpuIndexBuffer* indices = nullptr;
    };
    QuadBuffers MakeQuad(float x0, float x1)
    {
        QuadBuffers quad;
        const uint16_t order[6] = {0, 1, 2, 2, 1, 3};
        EXPECT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, SCREEN_FVF, D3DPOOL_DEFAULT,
                                             &quad.vertices),
                  GPU_OK);
        EXPECT_EQ(device->CreateIndexBuffer(sizeof(order), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                            &quad.indices),
                  GPU_OK);
        uint8_t* data = nullptr;
        EXPECT_EQ(quad.indices->Lock(0, 0, &data, 0), GPU_OK);
        std::memcpy(data, order, sizeof(order));
        quad.indices->Unlock();
        MoveQuad(quad, x0, x1);
        return quad;
    }
    void MoveQuad(QuadBuffers& quad, float x0, float x1)
    {
        const ScreenVertex corners[4] = {{x0 - 0.5f, -0.5f, 0.5f, 1, ~0u, 0, 0},
                                         {x1 - 0.5f, -0.5f, 0.5f, 1, ~0u, 1, 0},
                                         {x0 - 0.5f, 7.5f, 0.5f, 1, ~0u, 0, 1},
                                         {x1 - 0.5f, 7.5f, 0.5f, 1, ~0u, 1, 1}};
        uint8_t* data = nullptr;
        EXPECT_EQ(quad.vertices->Lock(0, 0, &data, 0), GPU_OK);
        std::memcpy(data, corners, sizeof(corners));
        quad.vertices->Unlock();
    }
    void Fill(GpuTexture* texture, GpuColor color)
    {
        GpuLockedRect locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), GPU_OK);
        std::memcpy(locked.pBits, &color, 4);
        texture->UnlockRect(0);
    }
    void DrawQuad(const QuadBuffers& quad)
    {
        device->SetVertexShader(SCREEN_FVF);
        device->SetStreamSource(0, quad.vertices, sizeof(ScreenVertex));
        device->SetIndices(quad.indices, 0);
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), GPU_OK);
    }
    void Release(QuadBuffers& quad)
    {
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
        quad.vertices->Release();
        quad.indices->Release();
        quad = QuadBuffers();
    }
    // A 1x1 render target texture filled with a colour.
    GpuTexture* FilledTarget(GpuColor color)
    {
        GpuSurface* surface = nullptr;
        GpuTexture* texture = MakeTarget(1, 1, &surface);
        EXPECT_NE(texture, nullptr);
        GpuSurface *back = nullptr, *depth = nullptr;
        device->GetRenderTarget(&back);
        device->GetDepthStencilSurface(&depth);
        device->SetRenderTarget(surface, nullptr);
        ClearTo(color);
        device->SetRenderTarget(back, depth);
        depth->Release();
        back->Release();
        surface->Release();
        return texture;
    }
    // A quad over the whole target lit by a white ambient colour alone: it shows the material's ambient.
    void DrawLit(GpuColor ambient, bool specular = false)
    {
        GpuMaterial material = {};
        material.Ambient = {float((ambient >> 16) & 0xFF) / 255.0f, float((ambient >> 8) & 0xFF) / 255.0f,
                            float(ambient & 0xFF) / 255.0f, 1};
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_LIGHTING, 1);
        device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
        device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        device->SetVertexShader(COLOR_FVF);
        const ColorVertex quad[4] = {
            {-1, 1, 0.5f, 0, 0, 0}, {1, 1, 0.5f, 0, 0, 0}, {-1, -1, 0.5f, 0, 0, 0}, {1, -1, 0.5f, 0, 0, 0}};
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex)), GPU_OK);
    }
    // The window's own pixels at (x, y) counted from the top.
    GpuColor WindowPixel(int x, int y)
    {
        uint8_t bgra[4] = {};
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glReadPixels(x, int(windowHeight) - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
        return 0xFF000000u | (uint32_t(bgra[2]) << 16) | (uint32_t(bgra[1]) << 8) | bgra[0];
    }

    const uint32_t windowHeight = 48;
};

TEST_F(GpuGlStateTest, RepeatedDrawsSendOnlyTheDrawAndEachProgramGetsItsOwnUniforms)
{
    UseTexturedStage();
    GpuTexture* white = MakeTexture(1, 1, {0xFFFFFFFF});
    device->SetTexture(0, white);
    ClearTo(BLACK);
    DrawScreenQuad(0, 0, 8, 8, RED);
    device->ResetStats();
    DrawScreenQuad(0, 0, 8, 8, RED);
    EXPECT_EQ(device->GetStats().uniformUploads, 0u);
    EXPECT_LE(device->GetStats().glCalls, 3u); // the vertices, the draw

    // The material colour is a uniform of the lit programs: each one gets it.
    DrawLit(RED);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), RED));
    DrawLit(GREEN, true);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), GREEN));
    DrawLit(GREEN); // green was never given to this program
    EXPECT_TRUE(ColorNear(Pixel(20, 20), GREEN));
    device->SetTexture(0, nullptr);
    white->Release();
}

TEST_F(GpuGlStateTest, StatesSwitchedBackAndForthReachEachDraw)
{
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    ClearTo(BLUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    DrawScreenQuad(0, 0, 8, 8, 0x80FF0000, 0.5f);
    EXPECT_TRUE(ColorNear(Pixel(4, 4), 0xFF80007F));
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    DrawScreenQuad(0, 0, 8, 8, 0x8000FF00, 0.5f);
    EXPECT_EQ(Pixel(4, 4), GREEN);
    // Farther is hidden under LESSEQUAL, shown under GREATER, and then hidden again.
    DrawScreenQuad(0, 0, 8, 8, RED, 0.7f);
    EXPECT_EQ(Pixel(4, 4), GREEN);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    DrawScreenQuad(0, 0, 8, 8, RED, 0.7f);
    EXPECT_EQ(Pixel(4, 4), RED);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    DrawScreenQuad(0, 0, 8, 8, BLUE, 0.9f);
    EXPECT_EQ(Pixel(4, 4), RED);

    // A stencil mark on [0, 8) keeps a draw out; a clear removes it whatever
    // the write mask; switched off, the test keeps nothing out.
    auto mark = [&] {
        device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
        DrawScreenQuad(0, 0, 8, 8, GREEN);
        device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
        device->SetRenderState(D3DRS_STENCILWRITEMASK, 0);
    };
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    mark();
    DrawScreenQuad(0, 0, 16, 8, BLUE);
    EXPECT_EQ(Pixel(4, 4), GREEN);
    EXPECT_EQ(Pixel(12, 4), BLUE);
    device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
    DrawScreenQuad(0, 0, 16, 8, RED);
    EXPECT_EQ(Pixel(4, 4), RED);
    mark();
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
    DrawScreenQuad(0, 0, 16, 8, BLUE);
    EXPECT_EQ(Pixel(4, 4), BLUE);
}

TEST_F(GpuGlStateTest, PresentSetsAgainWhatGlChangedBehindTheDeviceAndKeepsOnlyItsFramesFence)
{
    UseTexturedStage();
    GpuTexture* green = MakeTexture(1, 1, {GREEN});
    device->SetTexture(0, green);
    ClearTo(BLACK);
    DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
    ASSERT_EQ(Pixel(4, 4), GREEN);

    // Anyone may use the context between frames; the device's next frame is
    // drawn as if nobody had.
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ONE);
    glViewport(0, 0, 1, 1);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisableVertexAttribArray(0);
    ASSERT_EQ(device->Present(), GPU_OK);
    ClearTo(BLACK);
    DrawScreenQuad(8, 8, 16, 16, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(12, 12), GREEN);
    EXPECT_EQ(Pixel(4, 4), BLACK);
    device->SetTexture(0, nullptr);
    green->Release();

    // Each present keeps the fence of its own frame and deletes the one before.
    const GLsync shown = static_cast<GLsync>(device->GlContext()->FrameFence());
    ASSERT_TRUE(shown != nullptr && glIsSync(shown));
    ASSERT_EQ(device->Present(), GPU_OK);
    const GLsync next = static_cast<GLsync>(device->GlContext()->FrameFence());
    EXPECT_FALSE(glIsSync(shown)) << "the fence of the frame before was left behind";
    EXPECT_TRUE(next != shown && glIsSync(next));
}

TEST_F(GpuGlStateTest, UploadsBetweenDrawsLeaveTheBindingsOfTheDrawsAlone)
{
    UseTexturedStage();
    GpuTexture* green = MakeTexture(1, 1, {GREEN});
    GpuTexture* red = MakeTexture(1, 1, {BLUE});
    QuadBuffers quad = MakeQuad(0, 8);
    device->SetTexture(0, green);
    ClearTo(BLACK);
    DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
    Fill(red, RED);         // while green is bound
    MoveQuad(quad, 16, 24); // while the vertices drawn from memory are bound
    DrawScreenQuad(8, 0, 16, 8, 0xFFFFFFFF);
    device->SetTexture(0, red);
    DrawQuad(quad);
    EXPECT_EQ(Pixel(4, 4), GREEN);
    EXPECT_EQ(Pixel(12, 4), GREEN);
    EXPECT_EQ(Pixel(20, 4), RED);
    Release(quad);
    device->SetTexture(0, nullptr);
    red->Release();
    green->Release();
}

TEST_F(GpuGlStateTest, ObjectsReleasedAndMadeAgainDrawTheirNewContentAcrossAReset)
{
    UseTexturedStage();
    for (int round = 0; round < 2; ++round) {
        const GpuColor color = round == 0 ? RED : GREEN;
        const float left = round == 0 ? 0.0f : 16.0f;
        // Every kind: a managed texture, a render target, a vertex and an index buffer.
        GpuTexture* texture = MakeTexture(1, 1, {color});
        GpuTexture* target = FilledTarget(color);
        QuadBuffers quad = MakeQuad(left, left + 8);
        ClearTo(BLACK);
        device->SetTexture(0, texture);
        DrawQuad(quad);
        device->SetTexture(0, target);
        DrawScreenQuad(32, 0, 40, 8, 0xFFFFFFFF);
        EXPECT_EQ(Pixel(uint32_t(left) + 4, 4), color) << round;
        EXPECT_EQ(Pixel(36, 4), color) << round;
        EXPECT_EQ(Pixel(20 - uint32_t(left), 4), BLACK) << round;
        // The names GL frees are the ones it hands out next.
        device->SetTexture(0, nullptr);
        Release(quad);
        target->Release();
        texture->Release();
        ASSERT_EQ(device->Reset(&parameters), GPU_OK);
        UseTexturedStage();
    }
}

// GL may hand a deleted object's name out again (this driver seldom does):
// nothing the device deletes may stay bound in its record.
TEST_F(GpuGlStateTest, ProgramsReleasedBetweenScenesAreBuiltAgainWithTheirUniforms)
{
    ClearTo(BLACK);
    DrawLit(RED);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), RED));
    ASSERT_GT(device->GetGeneratedProgramCount(), 0u);

    device->ReleaseGeneratedPrograms();
    EXPECT_EQ(device->GetGeneratedProgramCount(), 0u);
    ClearTo(BLACK);
    DrawLit(RED); // the same state and values as the last draw: the new program still gets them
    EXPECT_TRUE(ColorNear(Pixel(20, 20), RED));
    DrawLit(GREEN);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), GREEN));
}

TEST_F(GpuGlStateTest, DeletedNamesAreBoundAgainWhenTheyComeBack)
{
    GpuGlContext& context = *device->GlContext();
    GpuGlState& gl = context.State();
    GLuint names[2] = {};
    glGenTextures(1, &names[0]);
    glGenBuffers(1, &names[1]);
    const GpuAttribPointer pointer = {names[1], 4, GL_FLOAT, false, 16, 0};
    auto bindAll = [&] {
        const uint64_t before = gl.Calls();
        gl.BindTexture(3, GL_TEXTURE_2D, names[0]);
        gl.SetAttribPointer(5, pointer);
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, names[1]);
        context.BindTextureTarget(names[0], GL_TEXTURE_2D, 0, 1, 1);
        return gl.Calls() - before;
    };
    glBindTexture(GL_TEXTURE_2D, names[0]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    bindAll();
    EXPECT_EQ(bindAll(), 0u);
    context.DeleteTexture(names[0]);
    context.DeleteBuffer(names[1]);
    // The texture, the array buffer and its pointer, the index buffer, the colour attachment and its check.
    EXPECT_EQ(bindAll(), 6u);
    context.DeleteTexture(names[0]);
    context.DeleteBuffer(names[1]);
}

TEST_F(GpuGlStateTest, BackBufferOfAnotherSizeIsDrawnApartAndScaledToTheWindow)
{
    ASSERT_TRUE(CreateDevice(32, 24));
    device->SetRenderState(D3DRS_LIGHTING, 0);
    ClearTo(BLACK);
    DrawScreenQuad(0, 0, 16, 24, RED); // the left half
    std::vector<GpuColor> pixels = Pixels();
    ASSERT_EQ(pixels.size(), 32u * 24u);
    EXPECT_EQ(pixels[12 * 32 + 8], RED);
    EXPECT_EQ(pixels[12 * 32 + 24], BLACK);
    ASSERT_EQ(device->Present(), GPU_OK);
    // The window shows the picture twice as large.
    EXPECT_EQ(WindowPixel(4, 44), RED);
    EXPECT_EQ(WindowPixel(28, 4), RED);
    EXPECT_EQ(WindowPixel(40, 44), BLACK);
    EXPECT_EQ(WindowPixel(60, 4), BLACK);

    // Back to the window's size: drawn straight into the window.
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 48;
    width = 64;
    height = 48;
    ASSERT_EQ(device->Reset(&parameters), GPU_OK);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    ClearTo(BLACK);
    DrawScreenQuad(0, 0, 16, 24, GREEN);
    EXPECT_EQ(Pixel(8, 12), GREEN);
    EXPECT_EQ(Pixel(24, 12), BLACK);
    EXPECT_EQ(WindowPixel(8, 12), GREEN);
    EXPECT_EQ(WindowPixel(24, 12), BLACK);
}

} // namespace
} // namespace gputest
