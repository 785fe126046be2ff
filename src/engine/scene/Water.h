#pragma once
// A flat, alpha-blended rectangle whose texture scrolls: lakes, the sea, and
// with a caller-bound texture, fog layers.

#include "engine/platform/Texture.h"
#include "engine/scene/TerrainVertex.h"

#include "backend/gpu/GpuTypes.h"

namespace backend {
class GpuVertexBuffer;
}

class Water {
public:
    Water() = default;
    ~Water();
    Water(const Water&) = delete;
    Water& operator=(const Water&) = delete;

    // Without a texture file the surface draws with whatever texture is bound on stage 0.
    bool Create(const char* textureFile, float sizeX, float sizeZ, float alpha, float tileU, float tileV,
                uint32_t sourceBlend, const float scrollSpeed[2]);
    bool CreateBuffer();
    // Scrolls the texture by one step; the offsets stay in [0, 1).
    void Update();
    void Render(bool flat);
    bool Restore();
    void Release();
    // The stage-0 texture transform of the current offsets and tiling.
    void BuildTextureTransform(backend::Matrix* out) const;

    TerrainVertex vertices[4];
    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    Texture texture;
    backend::Matrix textureScale;
    backend::GpuMaterial material;
    uint32_t sourceBlend = 0;
    backend::Vector3 position;
    float offsetU = 0.0f, offsetV = 0.0f;
    float speedU = 0.0f, speedV = 0.0f;
    float sizeX = 0.0f, sizeZ = 0.0f;
};
