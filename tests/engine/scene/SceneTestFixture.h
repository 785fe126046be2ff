#pragma once
// The headless device with the game's fixed render states, a camera on it,
// and writers for the scene's data files.

#include "engine/platform/RenderTestDevice.h"
#include "engine/scene/Camera.h"

#include "backend/math/MathTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr float SCENE_PI = 3.14159265f;

class SceneTest : public RenderDeviceTest {
protected:
    // Opens the device and sets the states the game sets after start-up.
    bool OpenScene();
    void ApplyFixedStates();
    // A lens looking from eye with angles (pitch, yaw, roll), aspect 4:3; set on the device.
    Camera UseCamera(backend::Vector3 eye, backend::Vector3 angles, float fov = SCENE_PI / 4);
    void SetCameraMatrices(const Camera& camera);
    // A raw file of width x height bytes, sample(column, row).
    std::string WriteRaw(const std::string& name, uint32_t width, uint32_t height,
                         const std::function<uint8_t(uint32_t, uint32_t)>& sample);
    void BeginFrame(uint32_t clearColour = 0xFF000000u);
    void EndFrame();
    // One frame of draw(), and the back buffer it leaves.
    std::vector<uint32_t> DrawFrame(const std::function<void()>& draw, uint32_t clearColour = 0xFF000000u);
};

// Every test starts with the scene's device open.
class OpenedSceneTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        ASSERT_TRUE(OpenScene());
    }
};

// While it lives the device reports at most `count` texture stages, as a device that has fewer does.
class TextureStageLimit {
public:
    explicit TextureStageLimit(uint32_t count);
    ~TextureStageLimit();
    TextureStageLimit(const TextureStageLimit&) = delete;
    TextureStageLimit& operator=(const TextureStageLimit&) = delete;

private:
    uint32_t blendStages, textures;
};

// Layers blended into the frame buffer one by one round to its steps after each
// layer; combined before they reach it, they round once. The pictures differ by
// no more than two steps in a channel, and by two on at most 1 in 400 pixels.
::testing::AssertionResult SameUpToLayerRounding(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);
// (x, y) of a world point on the 800 x 600 back buffer.
backend::Vector2 ProjectToScreen(const Camera& camera, const backend::Vector3& point);
