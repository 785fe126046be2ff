#pragma once
// A window and g_RenderDevice for model tests, a camera looking along +z
// (100 pixels per unit, origin at pixel 400,300), and helpers to write model
// files and read the back buffer.

#include "backend/window/NativeWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class ModelDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the device and sets the camera; lighting off unless asked for.
    void OpenDevice();
    // Resets the device (true when that succeeds) and sets the camera again.
    bool ResetDevice();
    // Lighting on with a white ambient colour, so pixels show the material's diffuse colour.
    void UseAmbientLight();
    void Clear(uint32_t colour);
    std::vector<uint32_t> ReadBackBuffer();
    uint32_t Pixel(const std::vector<uint32_t>& pixels, int x, int y) const { return pixels[size_t(y) * 800 + x]; }
    // An absolute path in a folder removed after the test.
    std::string TempPath(const std::string& name) const;
    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes);
    std::string WriteText(const std::string& name, const std::string& text);

    void SetCamera();

    backend::NativeWindow* window = nullptr;
    std::string className;
    std::string tempDirectory;
};

// Channel comparison with a tolerance, for blended pixels.
::testing::AssertionResult ColourNear(uint32_t actual, uint32_t expected, int tolerance = 3);
