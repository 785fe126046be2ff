#include "RenderTestDevice.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/window/SystemWindow.h"
#include "backend/window/WindowTypes.h"
#include "datagen/writers/DdsWriter.h"
#include "datagen/writers/FileWriter.h"
#include "engine/platform/Log.h"
#include "engine/platform/RenderDevice.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

intptr_t TestWindowProc(backend::NativeWindow*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

} // namespace

void RenderDeviceTest::SetUp()
{
    g_LastError.clear();
    const std::string id =
        std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    className = "VantrelRenderTest" + id;
    tempDirectory = (std::filesystem::temp_directory_path() / ("vantrel-render-" + id)).string();
    std::filesystem::create_directories(tempDirectory);

    backend::WindowClass windowClass;
    windowClass.procedure = TestWindowProc;
    windowClass.className = className.c_str();
    ASSERT_TRUE(backend::RegisterWindowClass(windowClass));
    window = backend::CreateWindow(className.c_str(), "Vantrel", backend::WS_VISIBLE, 0, 0, 800, 600, nullptr);
    ASSERT_NE(window, nullptr);
}

void RenderDeviceTest::TearDown()
{
    g_RenderDevice.Shutdown();
    g_RenderDevice = RenderDevice();
    if (window != nullptr)
        backend::DestroyWindow(window);
    backend::UnregisterWindowClass(className.c_str(), nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(tempDirectory, ignored);
    g_LastError.clear();
}

bool RenderDeviceTest::OpenDevice()
{
    if (!g_RenderDevice.Init())
        return false;
    backend::GpuDisplayMode mode;
    mode.Width = 800;
    mode.Height = 600;
    mode.Format = backend::D3DFMT_X8R8G8B8;
    return g_RenderDevice.CreateDevice(window, mode, backend::D3DDEVTYPE_HAL,
                                       backend::D3DCREATE_HARDWARE_VERTEXPROCESSING, true, backend::D3DFMT_D24S8, 1,
                                       true);
}

std::vector<uint32_t> RenderDeviceTest::ReadBackBuffer()
{
    std::vector<backend::GpuColor> pixels;
    uint32_t width = 0, height = 0;
    EXPECT_TRUE(backend::GpuSucceeded(g_RenderDevice.device->ReadPixels(nullptr, pixels, &width, &height)));
    EXPECT_EQ(width, 800u);
    EXPECT_EQ(height, 600u);
    pixels.resize(800 * 600);
    return pixels;
}

void RenderDeviceTest::ClearBackBuffer(uint32_t colour)
{
    g_RenderDevice.device->Clear(
        0, nullptr, backend::D3DCLEAR_TARGET | backend::D3DCLEAR_ZBUFFER | backend::D3DCLEAR_STENCIL, colour, 1.0f, 0);
}

std::string RenderDeviceTest::TempPath(const std::string& name) const
{
    return tempDirectory + "/" + name;
}

std::string RenderDeviceTest::WriteTexture(const std::string& name, uint32_t width, uint32_t height,
                                           const std::vector<uint32_t>& texels)
{
    datagen::RgbaImage image(width, height);
    image.pixels = texels;
    const std::string path = TempPath(name);
    EXPECT_TRUE(datagen::WriteFileBytes(path, datagen::EncodeDds(image, datagen::DdsFormat::A8R8G8B8, false)));
    return path;
}

std::string RenderDeviceTest::WriteSolidTexture(const std::string& name, uint32_t colour, uint32_t size)
{
    return WriteTexture(name, size, size, std::vector<uint32_t>(size_t(size) * size, colour));
}

uint32_t RenderState(uint32_t state)
{
    uint32_t value = 0;
    g_RenderDevice.device->GetRenderState(state, &value);
    return value;
}

uint32_t StageState(uint32_t stage, uint32_t type)
{
    uint32_t value = 0;
    g_RenderDevice.device->GetTextureStageState(stage, type, &value);
    return value;
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
