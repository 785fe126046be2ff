#pragma once
// Egypt: sand and an asphalt road above a sheet of water, palms, three
// pyramids and a lens-flared sun.

#include "tracks/TrackDefs.h"

namespace EgyptDefs {

constexpr TrackConstants CONSTANTS = {{262.5f, 15.0f, 384.0f}, 256, 256, 32, 32, 350, 512, {102.5f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Sand.dds", nullptr, 100.0f, 146.29f},
    {"Textures\\Asphalt.dds", "Textures\\AsphaltAlpha.dds", 120.0f, 175.0f},
};

constexpr uint32_t BLEND_SRCALPHA = 5;

constexpr WaterDef WATER = {
    "Textures\\Water.dds", 262.5f, 384.0f, 0.7f, 35.0f, 51.2f, BLEND_SRCALPHA, {0.00003f, -0.00003f},
    {0.0f, 1.7f, 0.0f}};

constexpr BillboardDef PALM = {"Textures\\Palm.dds", 8.08f, 12.0f, 0xFFFFFFFFu, 0.32f, 3, "Trees.raw", -0.28f};

constexpr TreeDef BILLBOARD_TREE = {8, {0.0f, 7.5f, 0.0f}, {262.5f, 15.0f, 384.0f}};

constexpr LensFlareDef LENS_FLARE = {176.0f, 12.0f, {1.0f, 0.2f, -1.0f}, {1.0f, 1.0f, 0.0f, 1.0f}};

constexpr const char* MODELS[] = {"Graphics\\Tracks\\Egypt\\Models\\Pyramid.x", "Graphics\\Models\\FinishPole.x"};
constexpr const char* TEXTURES[] = {"Graphics\\Tracks\\Egypt\\Textures\\Pyramid.dds",
                                    "Graphics\\Textures\\FinishPole.dds"};

constexpr PlacementDef STATIC_PLACEMENTS[] = {
    {0, 0, "", {19.0f, 12.0f, 67.0f}, {0.0f, -0.5f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {0, 0, "", {-76.5f, 1.0f, -95.25f}, {0.0f, 0.2f, 0.0f}, 0.0f, 3, 1, {13.5f, 20.0f, 13.5f}, 0, 0.0f},
    {0, 0, "", {-83.25f, 1.0f, -50.25f}, {0.0f, -0.314f, 0.0f}, 0.0f, 3, 1, {13.5f, 20.0f, 13.5f}, 0, 0.0f},
};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {1, 1, "", {-101.06f, 2.3f, 54.94f}, {0.0f, 0.0f, 0.0f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {1, 1, "", {-90.06f, 2.3f, 54.94f}, {0.0f, 0.0f, 0.0f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr TreeDef OBJECT_TREE = {2, {0.0f, 7.5f, 0.0f}, {262.5f, 15.0f, 384.0f}};

// Passed without normalising.
constexpr LightDef LIGHT = {
    {-1.0f, -3.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 0xFF666666u};

constexpr float GROUND_FRICTION = 6.0f;

} // namespace EgyptDefs
