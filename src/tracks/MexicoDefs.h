#pragma once
// Mexico: a desert track under a low sun, sand, asphalt and mountain rock,
// cacti, two drifting fog sheets over the valley and a lens-flared sun.

#include "tracks/TrackDefs.h"

namespace MexicoDefs {

constexpr TrackConstants CONSTANTS = {{330.0f, 80.0f, 484.0f}, 256, 256, 32, 32, 750, 1100, {102.3f, 150.0f, 240.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Sand.dds", nullptr, 330.0f, 484.0f},
    {"Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds", 330.0f, 484.0f},
    {"Textures\\MountainRock.dds", "Textures\\MountainRockAlpha.dds", 82.5f, 121.0f},
};

constexpr uint32_t BLEND_SRCALPHA = 5;

// Textureless: drawn with FOG_TEXTURE bound.
constexpr WaterDef FOG_LAYERS[] = {
    {nullptr, 212.0f, 556.16f, 0.8f, 7.624f, 20.0f, BLEND_SRCALPHA, {0.00004f, 0.00004f}, {165.0f, 12.9f, 64.04f}},
    {nullptr, 212.0f, 556.16f, 0.8f, 7.624f, 20.0f, BLEND_SRCALPHA, {-0.000065f, 0.000015f}, {165.0f, 13.0f, 64.04f}},
};

constexpr const char* FOG_TEXTURE = "Textures\\Fog.dds";

constexpr BillboardDef CACTUS = {"Textures\\Cactus.dds", 2.35f, 3.0f, 0xFFFFFFFFu, 0.3f, 3, "Cacti.raw", -0.3f};

constexpr TreeDef BILLBOARD_TREE = {4, {0.0f, 40.0f, 0.0f}, {330.0f, 80.0f, 484.0f}};

constexpr LensFlareDef LENS_FLARE = {176.0f, 12.0f, {0.72312f, 0.15f, 0.40746f}, {1.0f, 1.0f, 0.0f, 1.0f}};

constexpr const char* MODELS[] = {"Graphics\\Models\\FinishPole.x"};
constexpr const char* TEXTURES[] = {"Graphics\\Textures\\FinishPole.dds"};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {0, 0, "", {72.77f, 20.94f, 93.72f}, {0.0f, 0.0f, 0.0f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {0, 0, "", {82.77f, 20.94f, 93.72f}, {0.0f, 0.0f, 0.0f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr TreeDef OBJECT_TREE = {0, {0.0f, 40.0f, 0.0f}, {330.0f, 80.0f, 484.0f}};

constexpr LightDef LIGHT = {{-0.72312f, -0.55775f, -0.40746f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF666666u};

constexpr float GROUND_FRICTION = 6.0f;

} // namespace MexicoDefs
