#pragma once
// Hawaii: an island of sand, grass, rock and asphalt in the sea, palms, and
// a volcano that never stops smoking.

#include "tracks/TrackDefs.h"

namespace HawaiiDefs {

constexpr TrackConstants CONSTANTS = {{600.0f, 80.0f, 618.0f}, 256, 256, 32, 32, 1000, 1030, {165.0f, 180.0f, 260.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Sand.dds", nullptr, 120.0f, 123.6f},
    {"Textures\\Grass.dds", "Textures\\GrassAlpha.dds", 300.0f, 309.0f},
    {"Textures\\Rock.dds", "Textures\\RockAlpha.dds", 40.0f, 41.2f},
    {"Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds", 600.0f, 618.0f},
};

constexpr uint32_t BLEND_SRCALPHA = 5;
constexpr uint32_t BLEND_SRCCOLOR = 3;

constexpr WaterDef SEA = {
    "Textures\\Water.dds", 600.0f, 618.0f, 0.8f, 80.0f, 82.4f, BLEND_SRCALPHA, {0.00001f, -0.00001f},
    {0.0f, 2.5f, 0.0f}};

constexpr BillboardDef PALM = {"Textures\\Palm.dds", 6.89f, 7.0f, 0xFFFFFFFFu, 0.42f, 3, "Trees.raw", -0.1f};

constexpr TreeDef BILLBOARD_TREE = {4, {0.0f, 45.0f, 0.0f}, {600.0f, 90.0f, 618.0f}};

struct SmokeDef {
    int count;
    const char* texture; // relative to the graphics folder
    backend::Vector3 position, direction;
    uint32_t sourceBlend;
    float size, speed, shrink, fade, spread;
    bool looping;
};

constexpr SmokeDef VOLCANO_SMOKE = {100,
                                    "Textures\\VolcanoSmoke.dds",
                                    {-67.2f, 70.0f, -64.0f},
                                    {0.0f, 1.0f, 0.0f},
                                    BLEND_SRCCOLOR,
                                    6.0f,
                                    0.2f,
                                    0.002f,
                                    0.003f,
                                    0.1f,
                                    true};

constexpr const char* MODELS[] = {"Graphics\\Models\\FinishPole.x"};
constexpr const char* TEXTURES[] = {"Graphics\\Textures\\FinishPole.dds"};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {0, 0, "", {112.43073f, 7.63f, 28.883026f}, {0.0f, -0.225167f, -0.3f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {0, 0, "", {120.22878f, 6.85f, 30.66917f}, {0.02f, -0.225167f, -0.08f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr TreeDef OBJECT_TREE = {0, {0.0f, 40.0f, 0.0f}, {600.0f, 80.0f, 618.0f}};

constexpr LightDef LIGHT = {{0.2739f, -0.87462f, 0.40002f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF4D4D4Du};

constexpr float GROUND_FRICTION = 6.0f;

} // namespace HawaiiDefs
