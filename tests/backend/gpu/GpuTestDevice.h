#pragma once
// A real device on a hidden window of the window service for the GPU tests, with helpers to
// draw simple geometry and read pixels back.

#include "backend/gpu/GpuDevice.h"
#include "backend/gpu/GpuSystem.h"
#include "backend/window/NativeWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gputest {

// Pre-transformed vertex with a colour and one texture coordinate set.
struct ScreenVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
constexpr uint32_t SCREEN_FVF = backend::D3DFVF_XYZRHW | backend::D3DFVF_DIFFUSE | backend::D3DFVF_TEX1;

// Untransformed vertex with a colour and one texture coordinate set (the 2D images' format).
struct ColorVertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};
constexpr uint32_t COLOR_FVF = backend::D3DFVF_XYZ | backend::D3DFVF_DIFFUSE | backend::D3DFVF_TEX1;

class GpuDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the device again with other present parameters.
    bool CreateDevice(uint32_t width, uint32_t height, bool windowed = true);
    // A quad of pre-transformed vertices covering [x0, x1) x [y0, y1) pixels.
    void DrawScreenQuad(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f, float u0 = 0,
                        float v0 = 0, float u1 = 1, float v1 = 1);
    std::vector<backend::GpuColor> Pixels(backend::GpuSurface* surface = nullptr);
    backend::GpuColor Pixel(uint32_t x, uint32_t y);
    // A managed A8R8G8B8 texture filled with the given texels (row 0 first).
    backend::GpuTexture* MakeTexture(uint32_t width, uint32_t height, const std::vector<uint32_t>& texels);
    // An A8R8G8B8 render target texture; `level` gets its top surface. Null when the device refuses.
    backend::GpuTexture* MakeTarget(uint32_t width, uint32_t height, backend::GpuSurface** level);

    backend::GpuSystem* system = nullptr;
    std::string className;
    backend::NativeWindow* window = nullptr;
    backend::GpuDevice* device = nullptr;
    backend::GpuPresentParameters parameters;
    uint32_t width = 0, height = 0;
};

// Channels of a colour within a tolerance.
::testing::AssertionResult ColorNear(backend::GpuColor actual, backend::GpuColor expected, int tolerance = 2);

} // namespace gputest
