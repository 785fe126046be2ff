#pragma once
// UK Dirt Track: a small sandy circuit with a mud layer, fir trees and the
// two finish poles.

#include "tracks/TrackDefs.h"

namespace UKDefs {

constexpr TrackConstants CONSTANTS = {{250.0f, 20.0f, 333.33f}, 256, 256, 32, 32, 900, 1200, {112.5f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Sand.dds", nullptr, 50.0f, 66.66f},
    {"Textures\\Mud.dds", "Textures\\MudAlpha.dds", 50.0f, 66.66f},
};

constexpr BillboardDef FIR = {"Textures\\Fir.dds", 6.16f, 10.0f, 0xFFFFFFFFu, 0.32f, 3, "Trees.raw", -0.23f};

constexpr TreeDef BILLBOARD_TREE = {4, {0.0f, 15.0f, 0.0f}, {250.0f, 30.0f, 333.33f}};
constexpr TreeDef OBJECT_TREE = {8, {0.0f, 15.0f, 0.0f}, {250.0f, 30.0f, 333.33f}};

constexpr const char* MODELS[] = {"Graphics\\Models\\FinishPole.x"};
constexpr const char* TEXTURES[] = {"Graphics\\Textures\\FinishPole.dds"};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {0, 0, "", {-7.916667f, 12.36f, 85.17974f}, {-0.04f, 1.5707964f, 0.0f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {0, 0, "", {-7.916667f, 13.195f, 78.27974f}, {-0.02f, 1.5707964f, 0.22f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr LightDef LIGHT = {{-0.22281f, -0.94888f, -0.22359f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF4D4D4Du};

constexpr float GROUND_FRICTION = 4.0f;

} // namespace UKDefs
