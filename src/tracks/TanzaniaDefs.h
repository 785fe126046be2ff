#pragma once
// Tanzania: an almost flat savanna of grass with sandy tracks, acacia trees,
// grass tufts and the finish poles.

#include "tracks/TrackDefs.h"

namespace TanzaniaDefs {

constexpr TrackConstants CONSTANTS = {{360.0f, 5.0f, 528.0f}, 256, 256, 32, 32, 750, 1100, {102.3f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Grass.dds", nullptr, 180.0f, 264.0f},
    {"Textures\\Sand.dds", "Textures\\SandAlpha.dds", 180.0f, 264.0f},
};

constexpr BillboardDef ACACIA = {"Textures\\Acacia.dds", 12.1f, 9.0f, 0xFFFFFFFFu, 0.66f, 3, "Trees.raw", -0.18f};
constexpr BillboardDef GRASS = {"Textures\\FxGrass.dds", 1.0f, 1.0f, 0xFFFFFFFFu, 0.0f, 0, "FxGrass.raw", -0.15f};

constexpr TreeDef BILLBOARD_TREE = {4, {0.0f, 8.0f, 0.0f}, {360.0f, 16.0f, 528.0f}};
constexpr TreeDef OBJECT_TREE = {0, {0.0f, 10.0f, 0.0f}, {360.0f, 20.0f, 528.0f}};

constexpr const char* MODELS[] = {"Graphics\\Models\\FinishPole.x"};
constexpr const char* TEXTURES[] = {"Graphics\\Textures\\FinishPole.dds"};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {0, 0, "", {113.36f, 3.2f, 72.84f}, {-0.01f, 0.0f, 0.02f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {0, 0, "", {121.36f, 3.46f, 72.84f}, {-0.01f, 0.0f, 0.02f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr LightDef LIGHT = {{-0.74216f, -0.55775f, 0.37165f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF666666u};

constexpr float GROUND_FRICTION = 4.0f;

} // namespace TanzaniaDefs
