#pragma once
// The track map of the race display with a small round marker per racer.
// World (0, 0) is the map's centre; world +x is right and +z is up on screen.

#include "engine/platform/VertexImage.h"

#include "backend/math/MathTypes.h"

#include <cstdint>

constexpr float MINIMAP_MARKER_SIZE = 12.0f;

class Minimap {
public:
    // screenPos is the map's centre on the virtual 800 x 600 screen; false
    // when the map or the marker fails to load.
    bool Load(const char* mapFile, const float screenPos[2], const float screenSize[2], const float worldSize[2]);
    void RenderMap();
    // The marker, recoloured, centred on the map point of worldPosition's x and z.
    void RenderMarker(const backend::Vector3* worldPosition, uint32_t colour);
    bool Restore();
    void Release();

    VertexImage map;
    VertexImage marker;
    float screenX = 0.0f, screenY = 0.0f;
    float width = 0.0f, height = 0.0f;
    float worldWidth = 0.0f, worldDepth = 0.0f;
};
