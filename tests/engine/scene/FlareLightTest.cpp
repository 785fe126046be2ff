#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuTexture.h"
#include "backend/gpu/GpuVertexBuffer.h"
#include "backend/math/Vector.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"
#include "engine/platform/Texture.h"
#include "engine/scene/FlareLight.h"
#include "engine/scene/SceneVertex.h"

using namespace backend;

namespace {

class FlareLightTest : public OpenedSceneTest {
protected:
    uint32_t DrawnAlpha() const
    {
        return reinterpret_cast<const SceneVertex*>(light.vertexBuffer->Bytes())[0].colour >> 24;
    }

    void TearDown() override
    {
        light.Release();
        SceneTest::TearDown();
    }

    FlareLight light;
};

} // namespace

TEST_F(FlareLightTest, LampShiningAtTheCameraIsFullyBright)
{
    // The lamp at the eye, shining back along -z toward a camera looking +z.
    const Vector3 lamp = {0.0f, 0.0f, 0.0f}, beam = {0.0f, 0.0f, -1.0f};
    ASSERT_TRUE(light.Create(nullptr, 0.15f, &lamp, &beam, 0.5f, 1.0f, 0.2f, false));
    Camera camera = UseCamera({0, 0, 0}, {0, 0, 0});
    light.Reset();
    g_RenderDevice.primitiveCount = 0;
    light.Render(&camera);
    EXPECT_EQ(DrawnAlpha(), 255u);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 2u);
    EXPECT_TRUE(light.visible);
}

TEST_F(FlareLightTest, LampSeenFromBehindFadesTwiceAsFastAndComesBack)
{
    const Vector3 lamp = {0.0f, 0.0f, 10.0f}, beam = {0.0f, 0.0f, 1.0f};
    ASSERT_TRUE(light.Create(nullptr, 0.15f, &lamp, &beam, 0.0f, 255.0f, 0.2f, false));
    Camera away = UseCamera({0, 0, 0}, {0, 0, 0});
    light.Render(&away);
    EXPECT_NEAR(light.intensity, 1.0f - 2.0f * 0.2f, 1e-6f);
    // The sprite's alpha is 0 long before the brightness itself reaches 0.
    for (int i = 0; i < 12; ++i)
        light.Render(&away);
    EXPECT_EQ(DrawnAlpha(), 0u);
    // It goes out for good (the shrinking steps do not stall above 0).
    for (int i = 0; i < 1000 && light.visible; ++i)
        light.Render(&away);
    EXPECT_FALSE(light.visible);
    EXPECT_EQ(light.intensity, 0.0f);
    g_RenderDevice.primitiveCount = 0;
    light.Render(&away);
    EXPECT_EQ(g_RenderDevice.primitiveCount, 0u);

    // Turning round: the brightness rises by rate of the gap.
    Camera facing = UseCamera({0, 0, 20}, {0, SCENE_PI, 0});
    light.Render(&facing);
    EXPECT_NEAR(light.intensity, 0.2f, 1e-5f);
    EXPECT_TRUE(light.visible);

    // Two-sided: bright from behind as well.
    light.twoSided = true;
    light.Reset();
    for (int i = 0; i < 10; ++i)
        light.Render(&away);
    EXPECT_EQ(light.intensity, 1.0f);
}

TEST_F(FlareLightTest, RateOneReachesTheTargetInOneStepAndDistanceDarkens)
{
    const Vector3 lamp = {0.0f, 0.0f, 10.0f}, beam = {0.0f, 0.0f, -1.0f};
    ASSERT_TRUE(light.Create(nullptr, 0.15f, &lamp, &beam, 0.05f, 1.0f, 1.0f, false));
    Camera toward = UseCamera({0, 0, 0}, {0, 0, 0});
    Camera away = UseCamera({0, 0, 0}, {0, SCENE_PI, 0});
    light.Render(&away);
    EXPECT_EQ(light.intensity, 0.0f);
    light.Render(&toward);
    EXPECT_NEAR(light.intensity, 1.0f - 10.0f * 0.05f, 1e-5f);
    EXPECT_EQ(DrawnAlpha(), 128u);
    light.Render(&away);
    EXPECT_EQ(light.intensity, 0.0f);

    // Far enough that the distance term beats the facing term: dark.
    light.basePosition = {0.0f, 0.0f, 30.0f};
    light.Render(&toward);
    EXPECT_EQ(light.intensity, 0.0f);
    EXPECT_FALSE(light.visible);
    EXPECT_EQ(light.position, light.basePosition);
}

TEST_F(FlareLightTest, DrawsWithTheCallersTextureAndRevertsStates)
{
    Texture backLight;
    ASSERT_TRUE(backLight.Load(WriteSolidTexture("BackLight.dds", 0xFFFF0000u).c_str()));
    const Vector3 lamp = {0.0f, 0.0f, 5.0f}, beam = {0.0f, 0.0f, -1.0f};
    ASSERT_TRUE(light.Create(nullptr, 1.0f, &lamp, &beam, 0.0f, 1.0f, 0.2f, false));
    Camera camera = UseCamera({0, 0, 0}, {0, 0, 0});
    g_RenderDevice.SetTexture(0, backLight.texture);
    const std::vector<uint32_t> pixels = DrawFrame([&] { light.Render(&camera); });
    EXPECT_EQ(g_RenderDevice.currentTexture[0], backLight.texture);
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 400, 300), 0xFFFF0000u, 8)) << std::hex << PixelAt(pixels, 400, 300);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), uint32_t(D3DTOP_SELECTARG1));
    backLight.Release();

    EXPECT_FALSE(light.Create(TempPath("Missing.dds").c_str(), 1.0f, &lamp, &beam, 0.0f, 1.0f, 0.2f, false));
    EXPECT_EQ(g_LastError, "Error loading a texture!");
}
