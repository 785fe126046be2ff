#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/math/Vector.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "engine/scene/Water.h"

#include <algorithm>
#include <cmath>

using namespace backend;

namespace {

// Four texel columns of different colours.
const uint32_t STRIPES[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};

class WaterTest : public OpenedSceneTest {
protected:
    std::string WriteStripes()
    {
        std::vector<uint32_t> texels(16);
        for (int i = 0; i < 16; ++i)
            texels[size_t(i)] = STRIPES[i % 4];
        return WriteTexture("Water.dds", 4, 4, texels);
    }

    void TearDown() override
    {
        water.Release();
        SceneTest::TearDown();
    }

    Water water;
};

} // namespace

TEST_F(WaterTest, OffsetsStayInsideTheUnitRangeAndComeRound)
{
    const float speeds[3][2] = {{0.001f, 0.002f}, {-0.0037f, -0.013f}, {0.3f, -0.7f}};
    for (const auto& speed : speeds) {
        ASSERT_TRUE(water.Create(nullptr, 10.0f, 10.0f, 0.7f, 1.0f, 1.0f, D3DBLEND_SRCALPHA, speed));
        for (int i = 0; i < 10000; ++i) {
            water.Update();
            ASSERT_GE(water.offsetU, 0.0f);
            ASSERT_LT(water.offsetU, 1.0f);
            ASSERT_GE(water.offsetV, 0.0f);
            ASSERT_LT(water.offsetV, 1.0f);
        }
    }
    const float speed[2] = {0.001f, 0.002f};
    ASSERT_TRUE(water.Create(nullptr, 10.0f, 10.0f, 0.7f, 1.0f, 1.0f, D3DBLEND_SRCALPHA, speed));
    for (int i = 0; i < 1000; ++i)
        water.Update();
    EXPECT_LT(std::min(water.offsetU, 1.0f - water.offsetU), 1e-3f);
    EXPECT_LT(std::min(water.offsetV, 1.0f - water.offsetV), 1e-3f);
}

TEST_F(WaterTest, TextureTransformShiftsThenTiles)
{
    const float speed[2] = {-0.1f, 0.2f};
    ASSERT_TRUE(water.Create(nullptr, 10.0f, 10.0f, 0.7f, 3.0f, 2.0f, D3DBLEND_SRCALPHA, speed));
    water.Update();
    Matrix m;
    water.BuildTextureTransform(&m);
    // Two-coordinate transforms take (u, v, 1, 0).
    for (float u : {0.0f, 0.25f, 0.8f})
        for (float v : {0.0f, 0.5f}) {
            const float outU = u * m.m[0][0] + v * m.m[1][0] + m.m[2][0];
            const float outV = u * m.m[0][1] + v * m.m[1][1] + m.m[2][1];
            EXPECT_NEAR(outU, (u + 0.1f) * 3.0f, 1e-5f);
            EXPECT_NEAR(outV, (v + 0.2f) * 2.0f, 1e-5f);
        }
}

TEST_F(WaterTest, DrawsAtItsLevelAndScrollsItsTextureByATexel)
{
    const std::string stripes = WriteStripes();
    // Five updates of -0.05 move the texture a quarter: one texel.
    const float speed[2] = {-0.05f, 0.0f};
    ASSERT_TRUE(water.Create(stripes.c_str(), 4.0f, 4.0f, 1.0f, 1.0f, 1.0f, D3DBLEND_SRCALPHA, speed));
    g_RenderDevice.device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    g_RenderDevice.device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    Camera camera = UseCamera({0.0f, 10.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f});

    // At level 5 the surface is twice as near: a point 1.8 from its centre is on it.
    const Vector2 edge = ProjectToScreen(camera, {1.8f, 5.0f, 0.0f});
    water.position = {0.0f, 0.0f, 0.0f};
    std::vector<uint32_t> pixels = DrawFrame([&] { water.Render(false); });
    EXPECT_EQ(PixelAt(pixels, int(edge.x), int(edge.y)) & 0xFFFFFF, 0u);
    water.position = {0.0f, 5.0f, 0.0f};
    pixels = DrawFrame([&] { water.Render(false); });
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(edge.x), int(edge.y)), STRIPES[3], 8));

    // Texel column 0 (u 0..0.25) lies at x -2..-1.
    water.position = {0.0f, 0.0f, 0.0f};
    const Vector2 column0 = ProjectToScreen(camera, {-1.5f, 0.0f, 0.0f});
    pixels = DrawFrame([&] { water.Render(false); });
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(column0.x), int(column0.y)), STRIPES[0], 8))
        << std::hex << PixelAt(pixels, int(column0.x), int(column0.y));
    for (int i = 0; i < 5; ++i)
        water.Update();
    pixels = DrawFrame([&] { water.Render(false); });
    EXPECT_TRUE(ColourNear(PixelAt(pixels, int(column0.x), int(column0.y)), STRIPES[1], 8))
        << std::hex << PixelAt(pixels, int(column0.x), int(column0.y));
}

TEST_F(WaterTest, WithoutItsOwnTextureItUsesTheCallersAndRestoresStates)
{
    Texture fog;
    ASSERT_TRUE(fog.Load(WriteSolidTexture("Fog.dds", 0xFF00FF00u).c_str()));
    const float speed[2] = {0.0f, 0.0f};
    ASSERT_TRUE(water.Create(nullptr, 4.0f, 4.0f, 1.0f, 1.0f, 1.0f, D3DBLEND_SRCALPHA, speed));
    UseCamera({0.0f, 10.0f, 0.0f}, {-SCENE_PI / 2, 0.0f, 0.0f});
    GpuDevice* device = g_RenderDevice.device;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    g_RenderDevice.SetTexture(0, fog.texture);
    std::vector<uint32_t> pixels = DrawFrame([&] { water.Render(false); });
    EXPECT_EQ(g_RenderDevice.currentTexture[0], fog.texture);
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 400, 300), 0xFF00FF00u, 8)) << std::hex << PixelAt(pixels, 400, 300);

    for (bool flat : {false, true}) {
        water.Render(flat);
        EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
        EXPECT_EQ(RenderState(D3DRS_ZENABLE), 1u);
        EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE));
        EXPECT_EQ(StageState(0, D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(D3DTTFF_DISABLE));
        EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_SELECTARG1));
    }
    fog.Release();
    EXPECT_FALSE(water.Create(TempPath("Missing.dds").c_str(), 4.0f, 4.0f, 1.0f, 1.0f, 1.0f, D3DBLEND_SRCALPHA, speed));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
}
