// The texture-stage cascade: operations, arguments, empty stages, missing
// coordinate sets, texture transforms and per-stage sampler settings.

#include "GpuTestDevice.h"

#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuTexture.h"

namespace gputest {
namespace {

using namespace backend;

class GpuStageTest : public GpuDeviceTest {
protected:
    void SetUp() override
    {
        GpuDeviceTest::SetUp();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void Stage(uint32_t stage, uint32_t colorOp, uint32_t arg1, uint32_t arg2, uint32_t alphaOp = D3DTOP_SELECTARG1,
               uint32_t alphaArg1 = D3DTA_TEXTURE, uint32_t alphaArg2 = D3DTA_CURRENT)
    {
        device->SetTextureStageState(stage, D3DTSS_COLOROP, colorOp);
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, arg1);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
        device->SetTextureStageState(stage, D3DTSS_ALPHAOP, alphaOp);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, alphaArg1);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG2, alphaArg2);
    }
    // The colour a full-screen quad gets, read from its middle.
    GpuColor Draw(uint32_t diffuse, float u = 0.25f, float v = 0.25f)
    {
        DrawScreenQuad(0, 0, float(width), float(height), diffuse, 0.5f, u, v, u, v);
        return Pixel(width / 2, height / 2);
    }
};

TEST_F(GpuStageTest, DefaultStagesModulateTextureWithDiffuse)
{
    uint32_t value = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, uint32_t(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, uint32_t(D3DTOP_DISABLE));
    device->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &value);
    EXPECT_EQ(value, 3u);

    GpuTexture* texture = MakeTexture(1, 1, {0xFF808080});
    device->SetTexture(0, texture);
    EXPECT_TRUE(ColorNear(Draw(0xFFFF8040), 0xFF804020));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(GpuStageTest, EmptyStageReadsOpaqueWhite)
{
    // MODULATE of nothing with the diffuse colour is the diffuse colour, and
    // the alpha taken from the missing texture is one.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(Draw(0x00AD0000), 0xFFAD0000u);
    // The same on a second stage reading a texture it does not have.
    Stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    EXPECT_EQ(Draw(0xFF204060), 0xFF204060u);
}

TEST_F(GpuStageTest, SelectModulateAndFactorArguments)
{
    GpuTexture* texture = MakeTexture(1, 1, {0xFF00FF00});
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF0000FF);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_EQ(Draw(0xFFFF0000), 0xFF00FF00u);
    Stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_EQ(Draw(0xFFFF0000), 0xFFFF0000u);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE);
    EXPECT_EQ(Draw(0xFFFF0000), 0xFF0000FFu);
    // The complement modifier.
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_COMPLEMENT, D3DTA_DIFFUSE);
    EXPECT_EQ(Draw(0xFFFF0000), 0xFFFFFF00u);
    // Factor times factor on the second stage, texture times diffuse on the first.
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080);
    Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_CURRENT);
    EXPECT_TRUE(ColorNear(Draw(0xFFFFFFFF), 0xFF008000));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(GpuStageTest, DotProductThreeAndBlendCurrentAlpha)
{
    // (1, .5, .5) against (1, .5, .5): 4 * (.5 * .5) = 1 on every channel.
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF8080);
    Stage(0, D3DTOP_DOTPRODUCT3, D3DTA_TFACTOR, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(Draw(0xFFFF8080), 0xFFFFFFFF));
    // Perpendicular vectors give black.
    EXPECT_TRUE(ColorNear(Draw(0xFF80FF80), 0xFF000000, 3));

    // Stage 1 blends white over the current colour by the current alpha (0x40).
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
    Stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_BLENDCURRENTALPHA, D3DTA_TFACTOR, D3DTA_CURRENT, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT);
    GpuColor blended = Draw(0x40000000);
    EXPECT_TRUE(ColorNear(blended | 0xFF000000u, 0xFF404040)) << std::hex << blended;
}

TEST_F(GpuStageTest, DisabledAlphaOpPassesCurrentAlphaOn)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE);
    // Half of the red diffuse over black.
    EXPECT_TRUE(ColorNear(Draw(0x80FF0000), 0xFF800000));
}

TEST_F(GpuStageTest, MissingCoordinateSetReadsTexelZero)
{
    GpuTexture* texture = MakeTexture(2, 2, {0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF});
    device->SetTexture(0, texture);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_EQ(Draw(0xFFFFFFFF, 0.75f, 0.75f), 0xFF0000FFu);
    // The vertices have one set; set 1 does not exist and reads (0, 0).
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    EXPECT_EQ(Draw(0xFFFFFFFF, 0.75f, 0.75f), 0xFFFF0000u);
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(GpuStageTest, TwoComponentTransformTakesTranslationFromThirdRow)
{
    GpuTexture* texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
    device->SetTexture(0, texture);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Matrix shift = GpuIdentityMatrix();
    shift.m[2][0] = 0.5f; // (u, v, 1) * M moves u by a half
    device->SetTransform(D3DTS_TEXTURE0, &shift);
    EXPECT_EQ(Draw(0xFFFFFFFF), 0xFFFF0000u); // transforms are off until the flags say
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    EXPECT_EQ(Draw(0xFFFFFFFF), 0xFF00FF00u);
    // A translation in the fourth row meets the coordinate's zero and does nothing.
    shift.m[2][0] = 0.0f;
    shift.m[3][0] = 0.5f;
    device->SetTransform(D3DTS_TEXTURE0, &shift);
    EXPECT_EQ(Draw(0xFFFFFFFF), 0xFFFF0000u);
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(GpuStageTest, SamplerSettingsBelongToTheStage)
{
    GpuTexture* texture = MakeTexture(2, 1, {0xFF000000, 0xFFFFFFFF});
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    device->SetTexture(1, texture);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    // u = 1.25 clamps to the right texel on stage 1...
    EXPECT_EQ(Draw(0xFFFFFFFF, 1.25f, 0.5f), 0xFFFFFFFFu);
    // ...and wraps to the left one when the same texture sits on stage 0.
    device->SetTexture(1, nullptr);
    Stage(1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE);
    device->SetTexture(0, texture);
    EXPECT_EQ(Draw(0xFFFFFFFF, 1.25f, 0.5f), 0xFF000000u);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    EXPECT_EQ(Draw(0xFFFFFFFF, 1.25f, 0.5f), 0xFFFFFFFFu);
    device->SetTexture(0, nullptr);
    texture->Release();
}

} // namespace
} // namespace gputest
