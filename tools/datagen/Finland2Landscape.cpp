// Finland II: a sandy loop through snowy fir woods, past two villages of
// cottages at the heights of the track's tables.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/Finland2Defs.h"

namespace datagen {

LandscapeDesign Finland2Landscape()
{
    LandscapeDesign design;
    design.directory = "Finland2";
    design.constants = Finland2Defs::CONSTANTS;
    // Travelling +x, the second pole is on the left.
    const PlacementDef& left = Finland2Defs::DYNAMIC_PLACEMENTS[1];
    const PlacementDef& right = Finland2Defs::DYNAMIC_PLACEMENTS[0];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {-25.0f, -160.0f},
        {15.0f, -150.0f},
        {50.0f, -130.0f},
        {80.0f, -100.0f},
        {120.0f, -80.0f},
        {145.0f, -40.0f},
        {150.0f, 0.0f},
        {150.0f, 40.0f},
        {140.0f, 80.0f},
        {110.0f, 110.0f},
        {75.0f, 125.0f},
        {40.0f, 105.0f},
        {10.0f, 90.0f},
        {-20.0f, 80.0f},
        {-45.0f, 72.0f},
        {-80.0f, 80.0f},
        {-120.0f, 60.0f},
        {-140.0f, 20.0f},
        {-150.0f, -30.0f},
        {-140.0f, -80.0f},
        {-125.0f, -125.0f},
        {-105.0f, -155.0f},
        {-85.0f, -168.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& placement : Finland2Defs::STATIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, Finland2Defs::MODELS[placement.modelIndex]));
    for (const PlacementDef& placement : Finland2Defs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, Finland2Defs::MODELS[placement.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Finland2\\";
    design.masks = {{graphics + Finland2Defs::FIR.mask, Finland2Defs::FIR.collisionRadius, 1.0f}};
    design.treeCount = 1100;
    design.startClearing = 35.0f;
    design.alphaMapPath = graphics + Finland2Defs::PASSES[1].alphaMap;
    design.baseHeight = 13.0f;
    design.hillHeight = 3.0f;
    design.hillSize = 100.0f;
    design.seed = 113;
    design.roadColour = 0xE0C8B088u;
    design.edgeColour = 0xC0283848u;
    return design;
}

void WriteFinland2Landscape(DataFolder& folder)
{
    WriteLandscape(folder, Finland2Landscape());
}

} // namespace datagen
