#pragma once
// Plain descriptor records of a track's fixed numbers: its sizes, terrain
// passes, billboards, trees, placements and light. Each track's own tables
// (FinlandDefs.h, UKDefs.h, ...) are built from these; the sample data
// generator includes the same tables, so every number lives in one place.

#include "backend/math/MathTypes.h"

#include <cstdint>

struct TrackConstants {
    backend::Vector3 worldSize; // x extent, height scale, z extent
    int32_t terrainCellsX, terrainCellsZ;
    int32_t terrainPatchesX, terrainPatchesZ;
    int32_t heightMapWidth, heightMapHeight;
    backend::Vector3 viewValues; // minimap width and height, camera far distance
};

// Paths relative to the track's graphics folder; alphaMap null for the base pass.
struct TerrainPassDef {
    const char* texture;
    const char* alphaMap;
    float tileU, tileV;
};

struct BillboardDef {
    const char* texture; // relative to the graphics folder
    float width, height;
    uint32_t colour;
    float collisionRadius;
    uint32_t material;
    const char* mask; // relative to the graphics folder
    float yOffset;
};

// A culling tree over the box centre -/+ size / 2.
struct TreeDef {
    int32_t depth;
    backend::Vector3 centre, size;
};

// One placement row; mass is used by dynamic placements only.
struct PlacementDef {
    uint32_t modelIndex, textureIndex;
    const char* name;
    backend::Vector3 position, rotation;
    float mass;
    uint32_t materialIndex;
    uint8_t hasBoxSize;
    backend::Vector3 boxSize;
    uint8_t snapToGround;
    float heightAboveGround;
};

struct LightDef {
    backend::Vector3 direction; // as given, not normalised
    float diffuse[4], ambient[4], specular[4];
    uint32_t deviceAmbient; // ARGB
};

// A scrolling water surface; a null texture draws with the texture bound on stage 0.
struct WaterDef {
    const char* texture; // relative to the graphics folder
    float sizeX, sizeZ;
    float alpha;
    float tileU, tileV;
    uint32_t sourceBlend;
    float scrollSpeed[2]; // u, v per update
    backend::Vector3 centre;
};

struct FlareElementDef {
    float size;
    float colour[4];
    float position;
    int32_t textureIndex;
};

struct LensFlareDef {
    float distance, size;
    backend::Vector3 sunDirection; // as given, normalised by the flare
    float colour[4];
};

// Rain that follows the local moped at `height`, and its looping sound.
struct RainDef {
    int32_t count;
    float dropSize;
    const char* texture;
    backend::Vector3 position, direction;
    float radius, bottom, speed;
    uint32_t colour;
    float height;
    const char* sound;
    float volume;
};
