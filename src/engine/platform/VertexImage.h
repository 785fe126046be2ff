#pragma once
// A textured quad on the virtual 800 x 600 screen, placed by its top-left corner.

#include "engine/platform/Texture.h"
#include "engine/platform/VertexImageTextureMode.h"

#include <cstdint>

namespace backend {
class GpuTexture;
class GpuVertexBuffer;
} // namespace backend

// Position, diffuse colour and one texture coordinate set: D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct VertexImageVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(VertexImageVertex) == 24);

constexpr uint32_t VERTEXIMAGE_FVF = 0x142;

class VertexImage {
public:
    // uv is uLeft, vTop, uRight, vBottom.
    bool Load(const char* textureFile, float width, float height, uint32_t colour, const float uv[4]);
    bool CreateVertexBuffer();
    // Writes the four vertices from the current size, colour and uv.
    bool UpdateVertices();
    bool LoadTexture(const char* file);
    // Draws with a texture owned by the caller.
    void SetTexture(backend::GpuTexture* external);
    // (x, y) is the top-left corner on the virtual screen; flag bit 0 (x) and bit 1 (y)
    // take that coordinate as already relative to the screen's centre.
    void SetPosition(float x, float y, uint32_t flags);
    void Render();
    // Only the draw, with whatever is bound.
    void DrawQuad();
    bool Restore();
    void Release();

    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    backend::GpuTexture* texture = nullptr;
    Texture ownTexture;
    float width = 0.0f, height = 0.0f;
    uint32_t colour = 0;
    float uv[4] = {};
    VertexImageTextureMode mode = VERTEXIMAGE_TEXTURE_UNSET;
};
