#pragma once
// A sun sprite and a row of flare sprites along the line from the sun through
// the centre of the view, dimmed by whatever hides the sun. The hidden part is
// measured on the card: the sun is drawn white into a 16 x 16 target seen from
// a camera aimed at it, the occluders black over it, and 256 additive points
// sum what stays white into one texel that the flare sprites are multiplied by.

#include "engine/platform/Texture.h"
#include "engine/scene/Camera.h"
#include "engine/scene/LensFlareElement.h"

#include "backend/math/MathTypes.h"

#include <vector>

namespace backend {
class GpuVertexBuffer;
class GpuSurface;
} // namespace backend

constexpr int LENS_FLARE_TEXTURES = 6;
constexpr int LENS_FLARE_MAP_SIZE = 16;
constexpr int LENS_FLARE_POINTS = LENS_FLARE_MAP_SIZE * LENS_FLARE_MAP_SIZE;

class LensFlare {
public:
    LensFlare();
    ~LensFlare();
    LensFlare(const LensFlare&) = delete;
    LensFlare& operator=(const LensFlare&) = delete;

    bool Create(const char textureNames[LENS_FLARE_TEXTURES][260], float distance, float size,
                const backend::Vector3* sunDirection, const float colour[4]);
    // Elements added after the buffers were made are drawn from the next Restore on.
    void AddElement(float size, float red, float green, float blue, float alpha, float position, int32_t textureIndex);
    bool CreateBuffers();
    void Update(const Camera& camera);
    // Draws nothing while the sun is not in front of the viewer.
    void RenderSun(bool toSunMap);
    // Draws into the sun map through the flare camera from here on; false
    // (and drawing left on the screen) when the switch fails.
    bool BeginSunMap();
    // Measures the sun's uncovered part, then returns to the screen and the camera's matrices.
    void ComputeIntensity(const Camera& camera);
    void Render();
    Texture& GetTexture(int32_t index);
    bool Restore();
    void Release();

    Texture textures[LENS_FLARE_TEXTURES];
    Texture sunMap;
    Texture intensityMap;
    Camera flareCamera;
    backend::GpuVertexBuffer* vertexBuffer = nullptr;
    backend::Vector3 sunDirection;
    float colour[4] = {};
    float distance = 0.0f;
    float size = 0.0f;
    backend::Vector3 sunPoint;
    backend::Vector3 centrePoint;
    bool visible = false;
    backend::GpuVertexBuffer* pointBuffer = nullptr;
    int32_t sunMapQuadStart = 0, intensityQuadStart = 0, pointsStart = 0;
    float fovFactor = 0.7f;
    std::vector<LensFlareElement> elements;
    backend::GpuSurface* savedRenderTarget = nullptr;
    backend::GpuSurface* savedDepthStencil = nullptr;
    // Level 0 of the two maps, held from Create or Restore to Release.
    backend::GpuSurface* sunMapSurface = nullptr;
    backend::GpuSurface* intensitySurface = nullptr;
    // Element quads the flare buffer holds.
    int32_t bufferElementCount = 0;

private:
    bool TakeMapSurfaces();
    void ReleaseSavedTargets();
    void ReleaseSurfaces();
    void AimFlareCamera(const Camera& camera);
};
