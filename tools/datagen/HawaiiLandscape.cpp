// Hawaii: an island in the sea, a level coast road round the foot of the
// volcano, whose crater holds the vent the smoke rises from.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/HawaiiDefs.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

float Ramp(float x, float from, float to)
{
    const float t = std::clamp((x - from) / (to - from), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

constexpr float VOLCANO_RADIUS = 100.0f;
constexpr float VOLCANO_HEIGHT = 75.0f;
constexpr float CRATER_DEPTH = 7.0f;

float HawaiiShape(float x, float z, float h)
{
    // The coast: the land sinks to the sea floor towards the world's edges.
    const float out = std::hypot(x / 270.0f, z / 280.0f);
    h = -4.0f + (h + 4.0f) * (1.0f - Ramp(out, 0.78f, 0.97f));
    const Point2D vent = {HawaiiDefs::VOLCANO_SMOKE.position.x, HawaiiDefs::VOLCANO_SMOKE.position.z};
    const float r = std::hypot(x - vent.x, z - vent.z);
    const float cone =
        VOLCANO_HEIGHT * (1.0f - Ramp(r, 0.0f, VOLCANO_RADIUS)) - CRATER_DEPTH * (1.0f - Ramp(r, 3.0f, 12.0f));
    return std::max(h, cone);
}

} // namespace

LandscapeDesign HawaiiLandscape()
{
    LandscapeDesign design;
    design.directory = "Hawaii";
    design.constants = HawaiiDefs::CONSTANTS;
    const PlacementDef& left = HawaiiDefs::DYNAMIC_PLACEMENTS[0];
    const PlacementDef& right = HawaiiDefs::DYNAMIC_PLACEMENTS[1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {110.0f, 72.0f},
        {95.0f, 110.0f},
        {60.0f, 140.0f},
        {15.0f, 155.0f},
        {-35.0f, 160.0f},
        {-85.0f, 150.0f},
        {-130.0f, 120.0f},
        {-165.0f, 70.0f},
        {-185.0f, 10.0f},
        {-182.0f, -50.0f},
        {-165.0f, -112.0f},
        {-120.0f, -160.0f},
        {-60.0f, -185.0f},
        {0.0f, -180.0f},
        {60.0f, -160.0f},
        {110.0f, -120.0f},
        {140.0f, -70.0f},
        {145.0f, -20.0f},
        {125.0f, 5.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& pole : HawaiiDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(pole, HawaiiDefs::MODELS[pole.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Hawaii\\";
    design.masks = {{graphics + HawaiiDefs::PALM.mask, HawaiiDefs::PALM.collisionRadius, 1.0f}};
    design.treeCount = 900;
    design.treeLine = 22.0f;
    design.alphaMapPath = graphics + HawaiiDefs::PASSES[3].alphaMap;
    design.roadOnSlopes = false;
    design.levelRoad = true;
    design.layers = {{graphics + HawaiiDefs::PASSES[1].alphaMap, 3.8f, 6.0f, 30.0f, 42.0f, 1000.0f, 1001.0f},
                     {graphics + HawaiiDefs::PASSES[2].alphaMap, 36.0f, 48.0f, 1000.0f, 1001.0f, 22.0f, 32.0f}};
    design.baseHeight = 8.0f;
    design.hillHeight = 3.0f;
    design.hillSize = 80.0f;
    design.seed = 89;
    design.shape = HawaiiShape;
    design.hasWater = true;
    design.waterLevel = HawaiiDefs::SEA.centre.y;
    const HawaiiDefs::SmokeDef& smoke = HawaiiDefs::VOLCANO_SMOKE;
    design.heightChecks = {
        {{smoke.position.x, smoke.position.z}, 3.0f, smoke.position.y - 6.0f, smoke.position.y, "the volcano's vent"},
        {{0.0f, 295.0f}, 10.0f, 0.0f, design.waterLevel - 1.0f, "the sea"},
        {{285.0f, 0.0f}, 10.0f, 0.0f, design.waterLevel - 1.0f, "the sea"}};
    design.roadColour = 0xE0404040u;
    design.edgeColour = 0xC0E8E0B0u;
    return design;
}

void WriteHawaiiLandscape(DataFolder& folder)
{
    WriteLandscape(folder, HawaiiLandscape());
}

} // namespace datagen
