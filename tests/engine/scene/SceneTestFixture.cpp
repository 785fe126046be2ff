#include "SceneTestFixture.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"
#include "datagen/writers/FileWriter.h"
#include "datagen/writers/RawWriter.h"
#include "engine/platform/FixedRenderStates.h"
#include "engine/platform/RenderDevice.h"

#include <algorithm>
#include <cstdlib>

using namespace backend;

bool SceneTest::OpenScene()
{
    if (!OpenDevice())
        return false;
    ApplyFixedStates();
    return true;
}

void SceneTest::ApplyFixedStates()
{
    SetFixedRenderStates();
    GpuDevice* device = g_RenderDevice.device;
    // No lights in these scenes: a white ambient shows the lit materials at full brightness.
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);
    for (uint32_t stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
}

Camera SceneTest::UseCamera(Vector3 eye, Vector3 angles, float fov)
{
    Camera camera;
    camera.Set(fov, 800.0f / 600.0f, 0.5f, 1000.0f, &eye, &angles);
    SetCameraMatrices(camera);
    return camera;
}

void SceneTest::SetCameraMatrices(const Camera& camera)
{
    g_RenderDevice.device->SetTransform(D3DTS_VIEW, &camera.view);
    g_RenderDevice.device->SetTransform(D3DTS_PROJECTION, &camera.projection);
}

std::string SceneTest::WriteRaw(const std::string& name, uint32_t width, uint32_t height,
                                const std::function<uint8_t(uint32_t, uint32_t)>& sample)
{
    const std::string path = TempPath(name);
    EXPECT_TRUE(datagen::WriteFileBytes(path, datagen::EncodeRaw(width, height, sample)));
    return path;
}

void SceneTest::BeginFrame(uint32_t clearColour)
{
    ClearBackBuffer(clearColour);
    g_RenderDevice.device->BeginScene();
}

void SceneTest::EndFrame()
{
    g_RenderDevice.device->EndScene();
}

std::vector<uint32_t> SceneTest::DrawFrame(const std::function<void()>& draw, uint32_t clearColour)
{
    BeginFrame(clearColour);
    draw();
    EndFrame();
    return ReadBackBuffer();
}

TextureStageLimit::TextureStageLimit(uint32_t count)
    : blendStages(g_RenderDevice.caps.MaxTextureBlendStages), textures(g_RenderDevice.caps.MaxSimultaneousTextures)
{
    g_RenderDevice.caps.MaxTextureBlendStages = std::min(blendStages, count);
    g_RenderDevice.caps.MaxSimultaneousTextures = std::min(textures, count);
}

TextureStageLimit::~TextureStageLimit()
{
    g_RenderDevice.caps.MaxTextureBlendStages = blendStages;
    g_RenderDevice.caps.MaxSimultaneousTextures = textures;
}

::testing::AssertionResult SameUpToLayerRounding(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    size_t twoSteps = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!ColourNear(a[i], b[i], 2))
            return ::testing::AssertionFailure() << "pixel " << i << ": " << std::hex << a[i] << " against " << b[i];
        twoSteps += ColourNear(a[i], b[i], 1) ? 0 : 1;
    }
    if (twoSteps > a.size() / 400)
        return ::testing::AssertionFailure() << twoSteps << " pixels two steps apart";
    return ::testing::AssertionSuccess() << twoSteps << " pixels two steps apart";
}

Vector2 ProjectToScreen(const Camera& camera, const Vector3& point)
{
    Matrix viewProjection;
    MatrixMultiply(&viewProjection, &camera.view, &camera.projection);
    Vector3 clip;
    Vec3TransformCoord(&clip, &point, &viewProjection);
    return {(clip.x * 0.5f + 0.5f) * 800.0f, (0.5f - clip.y * 0.5f) * 600.0f};
}
