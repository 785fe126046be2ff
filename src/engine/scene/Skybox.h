#pragma once
// The sky: a textured cube around the eye, drawn first without depth.

#include "engine/platform/Texture.h"

#include "backend/math/MathTypes.h"

namespace backend {
class GpuVertexBuffer;
}
class Camera;

enum SkyboxFace { SKYBOX_FRONT, SKYBOX_BACK, SKYBOX_LEFT, SKYBOX_RIGHT, SKYBOX_TOP, SKYBOX_BOTTOM, SKYBOX_FACES };

class Skybox {
public:
    Skybox() = default;
    ~Skybox();
    Skybox(const Skybox&) = delete;
    Skybox& operator=(const Skybox&) = delete;

    bool Create(const char* front, const char* back, const char* left, const char* right, const char* top,
                const char* bottom, uint32_t colour, float size, float faceTextureSize, float verticalLag,
                bool hasBottom);
    bool BuildVertices();
    // Follows the eye horizontally; vertically it lags by verticalLag x eye height.
    void Render(const Camera* camera);
    void DrawFaces();
    bool Restore();
    void Release();

    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    Texture faces[SKYBOX_FACES];
    float faceTextureSize = 0.0f;
    uint32_t colour = 0;
    float size = 0.0f;
    bool hasBottom = false;
    float verticalLag = 0.0f;
    backend::Matrix world;
};
