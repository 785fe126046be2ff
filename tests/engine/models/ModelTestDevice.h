#pragma once
// The render device fixture for model tests: a camera looking along +z (100
// pixels per unit, origin at pixel 400,300), and helpers to write model files.

#include "engine/platform/RenderTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr uint32_t BLUE = 0xFF0000FFu;
constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t BLACK = 0xFF000000u;

class ModelDeviceTest : public RenderDeviceTest {
protected:
    // Every test starts with the device open and the camera set; lighting off unless asked for.
    void SetUp() override;
    // Resets the device (true when that succeeds) and sets the camera again.
    bool ResetDevice();
    // Lighting on with a white ambient colour, so pixels show the material's diffuse colour.
    void UseAmbientLight();
    // The pixel at (x, y) after draw() on a blue back buffer.
    uint32_t PixelAfter(const std::function<void()>& draw, int x = 400, int y = 300);
    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes);
    std::string WriteText(const std::string& name, const std::string& text);

    void SetCamera();
};

// A model released and destroyed when it goes out of scope, as its owner does.
template <typename M> struct Scoped : M {
    ~Scoped()
    {
        this->Release();
        this->Destroy();
    }
};
