// Egypt: a desert loop round the great pyramid, the Nile along the east edge
// and an oasis inside the loop, the road always on dry sand.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/EgyptDefs.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

float Ramp(float x, float from, float to)
{
    const float t = std::clamp((x - from) / (to - from), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float EgyptShape(float x, float z, float h)
{
    const float river = Ramp(x, 98.0f, 114.0f);
    const float oasis = 1.0f - Ramp(std::hypot(x + 15.0f, z - 20.0f), 12.0f, 26.0f);
    return h + (0.7f - h) * std::max(river, oasis);
}

} // namespace

LandscapeDesign EgyptLandscape()
{
    LandscapeDesign design;
    design.directory = "Egypt";
    design.constants = EgyptDefs::CONSTANTS;
    const PlacementDef& left = EgyptDefs::DYNAMIC_PLACEMENTS[0];
    const PlacementDef& right = EgyptDefs::DYNAMIC_PLACEMENTS[1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {-96.0f, 95.0f},
        {-85.0f, 135.0f},
        {-55.0f, 160.0f},
        {-15.0f, 165.0f},
        {25.0f, 152.0f},
        {55.0f, 125.0f},
        {70.0f, 85.0f},
        {72.0f, 40.0f},
        {55.0f, 5.0f},
        {40.0f, -35.0f},
        {45.0f, -80.0f},
        {30.0f, -130.0f},
        {0.0f, -160.0f},
        {-40.0f, -165.0f},
        {-50.0f, -120.0f},
        {-50.0f, -75.0f},
        {-55.0f, -30.0f},
        {-75.0f, 0.0f},
        {-95.0f, 20.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& placement : EgyptDefs::STATIC_PLACEMENTS) {
        design.objects.push_back(PlacedObject(placement, EgyptDefs::MODELS[placement.modelIndex]));
        // The two with their own box stand half sunk, as the table puts them.
        design.objects.back().padded = placement.hasBoxSize == 0;
    }
    for (const PlacementDef& pole : EgyptDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(pole, EgyptDefs::MODELS[pole.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Egypt\\";
    design.masks = {{graphics + EgyptDefs::PALM.mask, EgyptDefs::PALM.collisionRadius, 1.0f}};
    design.treeCount = 600;
    design.alphaMapPath = graphics + EgyptDefs::PASSES[1].alphaMap;
    design.roadOnSlopes = false;
    design.baseHeight = 3.3f;
    design.hillHeight = 1.2f;
    design.hillSize = 60.0f;
    design.seed = 71;
    design.shape = EgyptShape;
    design.hasWater = true;
    design.waterLevel = EgyptDefs::WATER.centre.y;
    design.heightChecks = {{{120.0f, 0.0f}, 8.0f, 0.0f, design.waterLevel - 0.4f, "the Nile"},
                           {{-15.0f, 20.0f}, 6.0f, 0.0f, design.waterLevel - 0.4f, "the oasis"}};
    design.roadColour = 0xE0505050u;
    design.edgeColour = 0xC0F0E0A0u;
    return design;
}

void WriteEgyptLandscape(DataFolder& folder)
{
    WriteLandscape(folder, EgyptLandscape());
}

} // namespace datagen
