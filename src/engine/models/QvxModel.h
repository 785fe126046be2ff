#pragma once
// A model in the program's own QVX format: frames of meshes, each drawn from
// one vertex buffer and one 16-bit index buffer.

#include "backend/gpu/GpuTypes.h"
#include "engine/models/FrameAnimation.h"
#include "engine/models/Model.h"
#include "engine/models/QvxFrame.h"
#include "engine/platform/Texture.h"

#include <vector>

class QvxModel : public Model {
public:
    ~QvxModel() override;

    // textureName and material may be null (no texture, the default white material).
    bool Load(const char* path, const char* textureName, const backend::GpuMaterial* material);
    bool LoadAnimation(const char* path);
    bool CreateBuffers();
    // Draws with the model's material only, leaving textures and stage states
    // to the caller.
    void RenderMaterialOnly(int32_t frame, bool flatColour);

    bool Animate(const char* animationName, uint32_t loop, float step) override;
    void Render(int32_t frame, bool flatColour) override;
    void RenderDot3(int32_t frame, bool flatColour) override;
    bool Restore() override;
    void Release() override;
    void Destroy() override;
    int32_t GetAnimationFrame(const char* animationName) override;
    int32_t GetFrameCount() override;
    void GetFrameBounds(BoundingBox* out, int32_t frame, const backend::Matrix* world) override;

    std::vector<QvxFrame> frames;
    int32_t frameCount = 0;
    backend::GpuMaterial material;
    Texture texture;
    FrameAnimation animations;

private:
    void DrawMeshes(int32_t frame);
    void ReleaseBuffers();
};
