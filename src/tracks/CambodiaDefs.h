#pragma once
// Cambodia: a rainy high plateau of grass and sand tracks, tropical trees,
// grass tufts, three kinds of hut and the finish poles.

#include "tracks/TrackDefs.h"

namespace CambodiaDefs {

constexpr TrackConstants CONSTANTS = {{320.0f, 38.0f, 500.0f}, 256, 256, 32, 32, 325, 512, {95.5f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Grass.dds", nullptr, 240.0f, 375.0f},
    {"Textures\\Sand.dds", "Textures\\SandAlpha.dds", 100.0f, 156.25f},
};

constexpr BillboardDef TREE = {"Textures\\Tree.dds", 5.0f, 8.0f, 0xFFCCCCCCu, 0.25f, 3, "Trees.raw", -0.3f};
constexpr BillboardDef GRASS = {"Textures\\FxGrass.dds", 1.5f, 1.5f, 0xFF808080u, 0.0f, 0, "FxGrass.raw", -0.2f};

constexpr TreeDef BILLBOARD_TREE = {2, {0.0f, 22.0f, 0.0f}, {320.0f, 44.0f, 500.0f}};
constexpr TreeDef OBJECT_TREE = {2, {0.0f, 22.0f, 0.0f}, {320.0f, 44.0f, 500.0f}};

constexpr RainDef RAIN = {1000,
                          0.05f,
                          "Graphics\\Textures\\Rain.dds",
                          {0.0f, 100.0f, 0.0f},
                          {0.0f, -1.0f, 0.0f},
                          80.0f,
                          0.0f,
                          5.0f,
                          0x50505090u,
                          100.0f,
                          "Audio\\Sounds\\Rain.wav",
                          0.15f};

constexpr const char* MODELS[] = {
    "Graphics\\Tracks\\Cambodia\\Models\\Hut1.x",
    "Graphics\\Tracks\\Cambodia\\Models\\Hut2.x",
    "Graphics\\Tracks\\Cambodia\\Models\\Hut3.x",
    "Graphics\\Models\\FinishPole.x",
};

constexpr const char* TEXTURES[] = {
    "Graphics\\Tracks\\Cambodia\\Textures\\Hut.dds",
    "Graphics\\Textures\\FinishPole.dds",
};

constexpr PlacementDef STATIC_PLACEMENTS[] = {
    {0, 0, "", {104.0f, 33.55f, 142.0f}, {0.0f, -1.0f, 0.0f}, 0.0f, 3, 1, {5.164f, 5.5f, 4.13f}, 0, 0.0f},
    {0, 0, "", {120.0f, 32.25f, 175.0f}, {0.0f, 0.7f, 0.0f}, 0.0f, 3, 1, {5.164f, 5.5f, 4.13f}, 0, 0.0f},
    {0, 0, "", {76.0f, 34.5f, 220.0f}, {0.0f, 0.7f, 0.0f}, 0.0f, 3, 1, {5.164f, 5.5f, 4.13f}, 0, 0.0f},
    {0, 0, "", {-65.0f, 27.25f, 176.0f}, {0.0f, -1.5f, 0.0f}, 0.0f, 3, 1, {5.164f, 5.5f, 4.13f}, 0, 0.0f},
    {0, 0, "", {-109.0f, 30.25f, 237.0f}, {0.0f, -0.6f, 0.0f}, 0.0f, 3, 1, {5.164f, 5.5f, 4.13f}, 0, 0.0f},
    {0, 0, "", {-88.5f, 38.75f, 39.5f}, {0.0f, 2.0f, 0.0f}, 0.0f, 3, 1, {5.164f, 5.5f, 4.13f}, 0, 0.0f},
    {1, 0, "", {64.0f, 35.3f, 227.0f}, {0.0f, 0.3f, 0.0f}, 0.0f, 3, 1, {8.451f, 5.5f, 6.818f}, 0, 0.0f},
    {2, 0, "", {-91.0f, 25.4f, 210.0f}, {0.0f, -2.7f, 0.0f}, 0.0f, 3, 1, {10.326f, 5.5f, 6.196f}, 0, 0.0f},
    {2, 0, "", {-38.0f, 36.0f, 13.0f}, {0.0f, 1.5f, 0.0f}, 0.0f, 3, 1, {10.326f, 5.5f, 6.196f}, 0, 0.0f},
};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {3, 1, "", {117.6f, 35.42f, -65.48f}, {0.02f, -0.0053f, 0.06f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {3, 1, "", {112.5f, 35.475f, -65.5f}, {0.0f, -0.0053f, -0.11f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr LightDef LIGHT = {
    {0.0f, -1.0f, 1.0f}, {0.6f, 0.6f, 0.6f, 1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 0xFF333333u};

constexpr float GROUND_FRICTION = 3.0f;

} // namespace CambodiaDefs
