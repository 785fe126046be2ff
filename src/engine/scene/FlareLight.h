#pragma once
// A glowing sprite at a point shining one way (the moped's back light): bright
// when the camera looks into its beam from near by, fading otherwise; the
// brightness rises at `rate` and falls twice as fast.

#include "engine/platform/Texture.h"
#include "engine/scene/EffectSystem.h"

#include "backend/math/MathTypes.h"

namespace backend {
class GpuVertexBuffer;
}

class FlareLight : public EffectSystem {
public:
    FlareLight() = default;
    ~FlareLight() override;

    // Without a texture file the sprite draws with the texture bound on stage 0.
    bool Create(const char* textureFile, float halfSize, const backend::Vector3* position,
                const backend::Vector3* direction, float falloff, float gain, float rate, bool twoSided);
    void Reset() override;
    bool Update() override { return true; }
    // Updates the brightness for the camera, then draws when visible.
    void Render(const Camera* camera) override;
    bool Restore() override;
    void Release() override;
    void Clear() override {}

    void UpdateBrightness(const Camera& camera);

    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    Texture texture;
    // The lamp's position; the owner may rewrite it every frame.
    backend::Vector3 basePosition;
    backend::Vector3 position;
    backend::Vector3 direction;
    float halfSize = 0.0f;
    float falloff = 0.0f;
    float gain = 0.0f;
    float rate = 0.0f;
    bool twoSided = false;
    float intensity = 1.0f;
    bool visible = true;
    float billboardPitch = 0.0f;
    float billboardYaw = 0.0f;

private:
    bool CreateBuffer();
};
