#pragma once
// Germany: a rainy circuit of asphalt and sand on flat grassland, lined with
// walls of red and white tyre stacks, with stands of seats and the finish poles.

#include "tracks/TrackDefs.h"

namespace GermanyDefs {

constexpr TrackConstants CONSTANTS = {{400.0f, 6.0f, 550.0f}, 256, 256, 32, 32, 800, 1100, {109.1f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Grass.dds", nullptr, 200.0f, 275.0f},
    {"Textures\\Sand.dds", "Textures\\SandAlpha.dds", 200.0f, 275.0f},
    {"Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds", 400.0f, 550.0f},
};

constexpr TreeDef OBJECT_TREE = {4, {0.0f, 20.0f, 0.0f}, {400.0f, 40.0f, 550.0f}};

constexpr RainDef RAIN = {500,
                          0.05f,
                          "Graphics\\Textures\\Rain.dds",
                          {0.0f, 50.0f, 0.0f},
                          {0.0f, -1.0f, 0.0f},
                          80.0f,
                          0.0f,
                          5.0f,
                          0x50505090u,
                          100.0f,
                          "Audio\\Sounds\\Rain.wav",
                          0.15f};

constexpr const char* MODELS[] = {
    "Graphics\\Tracks\\Germany\\Models\\Seats.x",
    "Graphics\\Tracks\\Germany\\Models\\TyreStack.x",
    "Graphics\\Models\\FinishPole.x",
};

constexpr const char* TEXTURES[] = {
    "Graphics\\Tracks\\Germany\\Textures\\Seats.dds",
    "Graphics\\Tracks\\Germany\\Textures\\TyreStackRed.dds",
    "Graphics\\Tracks\\Germany\\Textures\\TyreStackWhite.dds",
    "Graphics\\Textures\\FinishPole.dds",
};

// The seat stands, the red stacks, the white stacks (the i-th white beside
// the i-th red), then the finish poles.
#include "tracks/GermanyPlacements.inc"

constexpr LightDef LIGHT = {{-0.74216f, -0.55775f, 0.37165f},
                            {0.8f, 0.8f, 0.8f, 0.8f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF4D4D4Du};

constexpr float GROUND_FRICTION = 5.0f;

} // namespace GermanyDefs
