#pragma once
// A keyframed model in the .md2 format, drawn one stored frame at a time from
// one default-pool vertex buffer per frame.

#include "engine/models/FrameAnimation.h"
#include "engine/models/Md2Frame.h"
#include "engine/models/Model.h"
#include "engine/platform/Texture.h"

#include "backend/gpu/GpuTypes.h"

#include <vector>

class Md2Model : public Model {
public:
    ~Md2Model() override;

    // textureName may be null.
    bool Load(const char* path, const char* textureName);
    bool LoadAnimation(const char* path);
    bool CreateBuffers();

    bool Animate(const char* animationName, uint32_t loop, float step) override;
    void Render(int32_t frame, bool flatColour) override;
    void RenderDot3(int32_t frame, bool flatColour) override;
    bool Restore() override;
    void Release() override;
    void Destroy() override;
    int32_t GetAnimationFrame(const char* animationName) override;
    int32_t GetFrameCount() override;
    void GetFrameBounds(BoundingBox* out, int32_t frame, const backend::Matrix* world) override;

    // MD2_MAX_FRAMES records once Load has started; the first frameCount are used.
    std::vector<Md2Frame> frames;
    int32_t frameCount = 0;
    int32_t triangleCount = 0;
    Texture texture;
    backend::GpuMaterial material;
    FrameAnimation animations;

private:
    void DrawFrame(int32_t frame);
    void ReleaseBuffers();
};
