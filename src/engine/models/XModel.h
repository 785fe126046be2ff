#pragma once
// A static mesh from a text .x file, drawn one material subset at a time:
// opaque materials first, then the translucent ones blended.

#include "backend/gpu/GpuMesh.h"
#include "engine/models/Model.h"
#include "engine/platform/BoxCorners.h"
#include "engine/platform/Texture.h"

#include <memory>
#include <vector>

class XModel : public Model {
public:
    ~XModel() override;

    // skipTextures: the file's textures are not loaded and the model binds
    // none, so the caller's stage-0 texture is used.
    bool Load(const char* path, const char* textureDirectory, bool skipTextures);
    // Reads the mesh again from `name` (the materials are kept).
    bool CreateMesh();

    bool Animate(const char* animationName, uint32_t loop, float step) override;
    void Render(int32_t frame, bool flatColour) override;
    void RenderDot3(int32_t frame, bool flatColour) override;
    bool Restore() override;
    void Release() override;
    void Destroy() override;
    int32_t GetAnimationFrame(const char* animationName) override;
    int32_t GetFrameCount() override;
    void GetFrameBounds(BoundingBox* out, int32_t frame, const backend::Matrix* world) override;

    std::unique_ptr<backend::GpuMesh> mesh;
    uint32_t faceCount = 0;
    uint32_t materialCount = 0;
    std::vector<backend::GpuMaterial> materials;
    std::vector<Texture> textures;
    bool skipTextures = false;
    BoxCorners corners;

private:
    // Draws the subsets whose material is opaque (or translucent), binding
    // their textures on `textureStage`.
    void DrawSubsets(bool translucent, uint32_t textureStage);
};
