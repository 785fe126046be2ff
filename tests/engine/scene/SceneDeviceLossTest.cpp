#include "DemoScene.h"
#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

namespace {

class SceneDeviceLossTest : public SceneTest {
protected:
    std::vector<uint32_t> DrawScene(const Camera& camera)
    {
        return DrawFrame([&] { scene.Draw(camera); });
    }

    void TearDown() override
    {
        scene.Release();
        SceneTest::TearDown();
    }

    DemoScene scene;
};

size_t CountDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    size_t differences = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (!ColourNear(a[i], b[i], 1))
            ++differences;
    return differences;
}

} // namespace

TEST_F(SceneDeviceLossTest, EverythingReleasesResetsAndDrawsTheSamePicture)
{
    ASSERT_TRUE(OpenDevice());
    ApplySceneStates();
    DemoSceneOptions options;
    options.cells = 64;
    options.patches = 8;
    options.billboards = 400;
    ASSERT_TRUE(scene.Create(tempDirectory, options)) << g_LastError;
    const Camera camera = scene.MakeCamera(1.0f);
    scene.flare.Update(camera);
    ASSERT_TRUE(scene.flare.visible);
    const std::vector<uint32_t> before = DrawScene(camera);
    // The picture holds sky, ground and trees: more than a handful of colours.
    size_t lit = 0;
    for (uint32_t pixel : before)
        if ((pixel & 0xFFFFFF) != 0)
            ++lit;
    EXPECT_GT(lit, before.size() * 9 / 10);
    EXPECT_EQ(CountDifferences(before, DrawScene(camera)), 0u);

    GpuDevice* device = g_RenderDevice.device;
    device->ForceDeviceLoss(1);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), GPUERR_DEVICENOTRESET);
    EXPECT_GT(device->GetLiveDefaultPoolCount(), 0u);
    EXPECT_TRUE(GpuFailed(device->Reset(&g_RenderDevice.presentParameters)));
    {
        LogCapture log;
        scene.Release();
        // The release lines in the scene's order.
        const char* lines[] = {
            "\nReleasing terrain...",     "\nReleasing skybox...",      "\nReleasing cubic environment map...",
            "\nReleasing water...",       "\nReleasing billboard...",   "\nReleasing lens flare...",
            "\nReleasing snow system...", "\nReleasing rain system...", "\nReleasing smoke system...",
            "\nReleasing flare light..."};
        const std::string text = log.text.str();
        size_t at = 0;
        for (const char* line : lines) {
            at = text.find(line, at);
            ASSERT_NE(at, std::string::npos) << line;
        }
    }
    EXPECT_EQ(device->GetLiveDefaultPoolCount(), 0u);
    // Releasing twice is harmless.
    scene.Release();
    ASSERT_TRUE(GpuSucceeded(device->Reset(&g_RenderDevice.presentParameters)));
    g_RenderDevice.ResetStateCache();
    ApplySceneStates();
    ASSERT_TRUE(scene.Restore()) << g_LastError;

    const std::vector<uint32_t> after = DrawScene(camera);
    EXPECT_EQ(CountDifferences(before, after), 0u);
}
