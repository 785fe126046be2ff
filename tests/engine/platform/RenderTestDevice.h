#pragma once
// A window and g_RenderDevice on it for one test, with helpers to write test
// files and read the back buffer.

#include "backend/gpu/GpuTypes.h"
#include "backend/window/NativeWindow.h"
#include "engine/platform/Log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

class RenderDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the device on the test's window (windowed, the back buffer of its client area).
    bool OpenDevice();
    // The back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> ReadBackBuffer();
    uint32_t PixelAt(const std::vector<uint32_t>& pixels, int x, int y) const { return pixels[size_t(y) * 800 + x]; }
    void ClearBackBuffer(uint32_t colour);
    // An absolute path in a folder that the test removes afterwards.
    std::string TempPath(const std::string& name) const;
    // Writes a DDS file of the image (0xAARRGGBB texels) and returns its path.
    std::string WriteTexture(const std::string& name, uint32_t width, uint32_t height,
                             const std::vector<uint32_t>& texels);
    std::string WriteSolidTexture(const std::string& name, uint32_t colour, uint32_t size = 4);

    backend::NativeWindow* window = nullptr;
    std::string className;
    std::string tempDirectory;
};

// The device's current value of a render state, and of a texture stage's state.
uint32_t RenderState(uint32_t state);
uint32_t StageState(uint32_t stage, uint32_t type);

// Channels within `tolerance` of each other, for blended pixels.
::testing::AssertionResult ColourNear(uint32_t actual, uint32_t expected, int tolerance = 3);

// Captures the log while it lives.
struct LogCapture {
    LogCapture()
    {
        g_Log = &text;
        g_LogEnabled = true;
    }
    ~LogCapture()
    {
        g_LogEnabled = false;
        g_Log = &std::clog;
    }
    std::ostringstream text;
};
