#pragma once
// USA: a flat town of streets, pavements and lawns between buildings and
// skyscrapers, with traffic signs and lights, parked cars, a ramp, loose
// blocks and the finish poles.

#include "tracks/TrackDefs.h"

namespace USADefs {

constexpr TrackConstants CONSTANTS = {{418.0f, 1.0f, 947.66f}, 48, 48, 8, 8, 4, 4, {66.2f, 150.0f, 385.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Asphalt.dds", nullptr, 209.0f, 473.83f},
    {"Textures\\Pavement.dds", "Textures\\PavementAlpha.dds", 700.0f, 1586.99f},
    {"Textures\\Grass.dds", "Textures\\GrassAlpha.dds", 120.0f, 272.06f},
};

constexpr TreeDef OBJECT_TREE = {5, {0.0f, 230.0f, 0.0f}, {418.0f, 460.0f, 947.66f}};

constexpr const char* MODELS[] = {
    "Graphics\\Tracks\\USA\\Models\\Building.x",
    "Graphics\\Tracks\\USA\\Models\\Building2.x",
    "Graphics\\Tracks\\USA\\Models\\Building3.x",
    "Graphics\\Tracks\\USA\\Models\\Building4.x",
    "Graphics\\Tracks\\USA\\Models\\Building5.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper2.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper3.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper4.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper5.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper6.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper7.x",
    "Graphics\\Tracks\\USA\\Models\\Skyscraper8.x",
    "Graphics\\Tracks\\USA\\Models\\TrafficSign.x",
    "Graphics\\Tracks\\USA\\Models\\TrafficLightOneSide.x",
    "Graphics\\Tracks\\USA\\Models\\TrafficLightTwoSides.x",
    "Graphics\\Tracks\\USA\\Models\\Car.qvx",
    "Graphics\\Tracks\\USA\\Models\\Block.x",
    "Graphics\\Tracks\\USA\\Models\\Ramp.x",
    "Graphics\\Models\\FinishPole.x",
};

constexpr const char* TEXTURES[] = {
    "Graphics\\Tracks\\USA\\Textures\\Building.dds",
    "Graphics\\Tracks\\USA\\Textures\\Building2.dds",
    "Graphics\\Tracks\\USA\\Textures\\Building3.dds",
    "Graphics\\Tracks\\USA\\Textures\\Building4.dds",
    "Graphics\\Tracks\\USA\\Textures\\Building5.dds",
    "Graphics\\Tracks\\USA\\Textures\\Skyscraper.dds",
    "Graphics\\Tracks\\USA\\Textures\\Skyscraper2.dds",
    "Graphics\\Tracks\\USA\\Textures\\Skyscraper5.dds",
    "Graphics\\Tracks\\USA\\Textures\\Skyscraper6.dds",
    "Graphics\\Tracks\\USA\\Textures\\Skyscraper7.dds",
    "Graphics\\Tracks\\USA\\Textures\\Skyscraper8.dds",
    "Graphics\\Tracks\\USA\\Textures\\TrafficSignToLeft.dds",
    "Graphics\\Tracks\\USA\\Textures\\TrafficSignToRight.dds",
    "Graphics\\Tracks\\USA\\Textures\\TrafficLight.dds",
    "Graphics\\Tracks\\USA\\Textures\\CarRed.dds",
    "Graphics\\Tracks\\USA\\Textures\\CarBlue.dds",
    "Graphics\\Tracks\\USA\\Textures\\CarYellow.dds",
    "Graphics\\Tracks\\USA\\Textures\\CarWhite.dds",
    "Graphics\\Tracks\\USA\\Textures\\CarSilver.dds",
    "Graphics\\Tracks\\USA\\Textures\\Block.dds",
    "Graphics\\Tracks\\USA\\Textures\\Ramp.dds",
    "Graphics\\Textures\\FinishPole.dds",
};

// Buildings, skyscrapers, signs, lights, cars and the ramp, model by model;
// then the blocks and the finish poles.
#include "tracks/USAPlacements.inc"

constexpr LightDef LIGHT = {
    {1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 0xFF4D4D4Du};

constexpr float GROUND_FRICTION = 6.0f;

} // namespace USADefs
