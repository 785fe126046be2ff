#include "ModelTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "datagen/writers/FileWriter.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

void ModelDeviceTest::SetUp()
{
    RenderDeviceTest::SetUp();
    ASSERT_TRUE(OpenDevice());
    SetCamera();
}

bool ModelDeviceTest::ResetDevice()
{
    if (GpuFailed(g_RenderDevice.device->Reset(&g_RenderDevice.presentParameters)))
        return false;
    g_RenderDevice.ResetStateCache();
    SetCamera();
    return true;
}

void ModelDeviceTest::SetCamera()
{
    GpuDevice* device = g_RenderDevice.device;
    Matrix identity, projection;
    MatrixIdentity(&identity);
    MatrixOrthoLH(&projection, 8.0f, 6.0f, 0.0f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_LIGHTING, 0);
}

void ModelDeviceTest::UseAmbientLight()
{
    g_RenderDevice.device->SetRenderState(D3DRS_LIGHTING, 1);
    g_RenderDevice.device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);
}

uint32_t ModelDeviceTest::PixelAfter(const std::function<void()>& draw, int x, int y)
{
    ClearBackBuffer(BLUE);
    draw();
    return PixelAt(ReadBackBuffer(), x, y);
}

std::string ModelDeviceTest::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = TempPath(name);
    EXPECT_TRUE(datagen::WriteFileBytes(path, bytes));
    return path;
}

std::string ModelDeviceTest::WriteText(const std::string& name, const std::string& text)
{
    return WriteBytes(name, std::vector<uint8_t>(text.begin(), text.end()));
}
