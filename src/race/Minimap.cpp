#include "race/Minimap.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "engine/platform/RenderDevice.h"

using namespace backend;

namespace {

// Half a texel of the 256 x 256 map and of the 16 x 16 marker.
constexpr float MAP_UV[4] = {1.0f / 512, 1.0f / 512, 1.0f + 1.0f / 512, 1.0f + 1.0f / 512};
constexpr float MARKER_UV[4] = {1.0f / 32, 1.0f / 32, 1.0f + 1.0f / 32, 1.0f + 1.0f / 32};

void PlaceCentre(float x, float y)
{
    Matrix world;
    MatrixTranslation(&world, x - 400.0f, 300.0f - y, 0.0f);
    g_RenderDevice.device->SetTransform(D3DTS_WORLD, &world);
}

} // namespace

bool Minimap::Load(const char* mapFile, const float screenPos[2], const float screenSize[2], const float worldSize[2])
{
    screenX = screenPos[0];
    screenY = screenPos[1];
    width = screenSize[0];
    height = screenSize[1];
    worldWidth = worldSize[0];
    worldDepth = worldSize[1];
    return map.Load(mapFile, width, height, 0xFFFFFFFFu, MAP_UV) &&
           marker.Load("Graphics\\Textures\\MapSysPlayer.dds", MINIMAP_MARKER_SIZE, MINIMAP_MARKER_SIZE, 0xFFFFFFFFu,
                       MARKER_UV);
}

void Minimap::RenderMap()
{
    PlaceCentre(screenX, screenY);
    map.Render();
}

void Minimap::RenderMarker(const Vector3* worldPosition, uint32_t colour)
{
    marker.colour = colour;
    if (!marker.UpdateVertices())
        return;
    const float x = worldPosition->x / worldWidth * width + screenX;
    const float y = screenY - worldPosition->z / worldDepth * height;
    PlaceCentre(x, y);
    marker.Render();
}

bool Minimap::Restore()
{
    return map.Restore() && marker.Restore();
}

void Minimap::Release()
{
    marker.Release();
    map.Release();
}
