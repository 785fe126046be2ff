#pragma once
// Finland II: a snowy landscape with sandy roads, fir trees, cottages, the
// finish poles and falling snow round the local moped.

#include "tracks/TrackDefs.h"

namespace Finland2Defs {

constexpr TrackConstants CONSTANTS = {{400.0f, 20.0f, 600.0f}, 256, 256, 32, 32, 800, 1200, {100.0f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Snow.dds", nullptr, 80.0f, 120.0f},
    {"Textures\\Sand.dds", "Textures\\SandAlpha.dds", 80.0f, 120.0f},
};

constexpr BillboardDef FIR = {"Textures\\Fir.dds", 5.59f, 10.0f, 0xFFFFFFFFu, 0.37f, 3, "Trees.raw", -0.23f};

constexpr TreeDef BILLBOARD_TREE = {4, {0.0f, 16.0f, 0.0f}, {400.0f, 32.0f, 600.0f}};
constexpr TreeDef OBJECT_TREE = {4, {0.0f, 16.0f, 0.0f}, {400.0f, 32.0f, 600.0f}};

// The snow column stands on the local moped's x and z at SNOW_HEIGHT.
constexpr int SNOW_COUNT = 2000;
constexpr float SNOW_FLAKE_SIZE = 0.05f;
constexpr const char* SNOW_TEXTURE = "Textures\\SnowFlake.dds";
constexpr backend::Vector3 SNOW_POSITION = {0.0f, 0.0f, 0.0f};
constexpr float SNOW_RADIUS = 40.0f;
constexpr float SNOW_TOP = 50.0f;
constexpr float SNOW_BOTTOM = 0.0f;
constexpr float SNOW_JITTER = 0.05f;
constexpr float SNOW_FALL_VARIANCE = 0.15f;
constexpr backend::Vector3 SNOW_WIND = {0.0f, 0.0f, 0.0f};
constexpr float SNOW_HEIGHT = 0.0f;

constexpr const char* MODELS[] = {
    "Graphics\\Tracks\\Finland2\\Models\\Cottage.x",
    "Graphics\\Tracks\\Finland2\\Models\\Cottage2.x",
    "Graphics\\Models\\FinishPole.x",
};

constexpr const char* TEXTURES[] = {
    "Graphics\\Tracks\\Finland2\\Textures\\Cottage.dds",
    "Graphics\\Tracks\\Finland2\\Textures\\Cottage2.dds",
    "Graphics\\Textures\\FinishPole.dds",
};

constexpr PlacementDef STATIC_PLACEMENTS[] = {
    {0, 0, "", {-95.4593f, 14.3f, 26.6713f}, {0.0f, -1.53589f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {0, 0, "", {-20.3958f, 15.3f, 130.835f}, {0.0f, -1.64061f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {0, 0, "", {87.6323f, 15.6f, 25.0068f}, {0.0f, 1.54462f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {0, 0, "", {57.0963f, 16.8f, 33.6706f}, {0.0f, -1.62316f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {1, 1, "", {-64.3913f, 16.5f, 35.726f}, {0.0f, 1.31772f, 0.0f}, 0.0f, 3, 1, {9.3f, 4.82f, 6.5f}, 0, 0.0f},
    {1, 1, "", {87.4501f, 15.0f, 0.602597f}, {0.0f, 1.61443f, 0.0f}, 0.0f, 3, 1, {9.3f, 4.82f, 6.5f}, 0, 0.0f},
    {1, 1, "", {90.6814f, 14.5f, 38.2499f}, {0.0f, 1.50971f, 0.0f}, 0.0f, 3, 1, {9.3f, 4.82f, 6.5f}, 0, 0.0f},
    {1, 1, "", {55.9338f, 16.1f, 16.1684f}, {0.0f, -1.6057f, 0.0f}, 0.0f, 3, 1, {9.3f, 4.82f, 6.5f}, 0, 0.0f},
};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {2, 2, "", {-60.38695f, 13.62f, -170.29596f}, {0.0f, -1.748541f, -0.19f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {2, 2, "", {-61.978245f, 12.74f, -161.43776f}, {0.0f, -1.748541f, 0.06f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr LightDef LIGHT = {{-0.682f, -0.47716f, 0.55425f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF4D4D4Du};

constexpr float GROUND_FRICTION = 2.2f;

} // namespace Finland2Defs
