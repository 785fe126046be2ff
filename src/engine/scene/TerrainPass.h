#pragma once
// One texture layer of the terrain: a colour texture, an optional alpha map,
// its tiling and whether it is drawn opaque.

#include "engine/platform/Texture.h"

#include "backend/math/MathTypes.h"

struct TerrainPass {
    Texture colourTexture;
    Texture alphaTexture;
    float tileU = 1.0f;
    float tileV = 1.0f;
    backend::Matrix textureMatrix;
    bool opaque = false;
};
