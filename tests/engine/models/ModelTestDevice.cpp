#include "ModelTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"
#include "datagen/writers/FileWriter.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace backend;

namespace {

intptr_t TestWindowProc(NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

} // namespace

void ModelDeviceTest::SetUp()
{
    g_LastError.clear();
    const std::string id =
        std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    className = "VantrelModelTest" + id;
    tempDirectory = (std::filesystem::temp_directory_path() / ("vantrel-models-" + id)).string();
    std::filesystem::create_directories(tempDirectory);

    WindowClass windowClass;
    windowClass.procedure = TestWindowProc;
    windowClass.className = className.c_str();
    ASSERT_TRUE(RegisterWindowClass(windowClass));
    window = CreateWindow(className.c_str(), "Vantrel", WS_VISIBLE, 0, 0, 800, 600, nullptr);
    ASSERT_NE(window, nullptr);
}

void ModelDeviceTest::TearDown()
{
    g_RenderDevice.Shutdown();
    g_RenderDevice = RenderDevice();
    if (window != nullptr)
        DestroyWindow(window);
    UnregisterWindowClass(className.c_str(), nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(tempDirectory, ignored);
    g_LastError.clear();
}

void ModelDeviceTest::OpenDevice()
{
    ASSERT_TRUE(g_RenderDevice.Init());
    GpuDisplayMode mode;
    mode.Width = 800;
    mode.Height = 600;
    mode.Format = D3DFMT_X8R8G8B8;
    ASSERT_TRUE(g_RenderDevice.CreateDevice(window, mode, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, true,
                                            D3DFMT_D24S8, 1, true));
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

void ModelDeviceTest::Clear(uint32_t colour)
{
    g_RenderDevice.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
}

std::vector<uint32_t> ModelDeviceTest::ReadBackBuffer()
{
    std::vector<GpuColor> pixels;
    uint32_t width = 0, height = 0;
    EXPECT_TRUE(GpuSucceeded(g_RenderDevice.device->ReadPixels(nullptr, pixels, &width, &height)));
    EXPECT_EQ(width, 800u);
    EXPECT_EQ(height, 600u);
    pixels.resize(800 * 600);
    return pixels;
}

std::string ModelDeviceTest::TempPath(const std::string& name) const
{
    return tempDirectory + "/" + name;
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

::testing::AssertionResult ColourNear(uint32_t actual, uint32_t expected, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            char text[64];
            std::snprintf(text, sizeof text, "pixel 0x%08X is not near 0x%08X", actual, expected);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}
