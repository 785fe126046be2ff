// Tanzania: a wide sandy loop over nearly flat savanna, lone acacias and
// clumps of tall grass beside the track.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/TanzaniaDefs.h"

namespace datagen {

LandscapeDesign TanzaniaLandscape()
{
    LandscapeDesign design;
    design.directory = "Tanzania";
    design.constants = TanzaniaDefs::CONSTANTS;
    const PlacementDef& left = TanzaniaDefs::DYNAMIC_PLACEMENTS[0];
    const PlacementDef& right = TanzaniaDefs::DYNAMIC_PLACEMENTS[1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {118.0f, 110.0f},
        {112.0f, 150.0f},
        {95.0f, 185.0f},
        {65.0f, 205.0f},
        {25.0f, 210.0f},
        {-15.0f, 200.0f},
        {-50.0f, 210.0f},
        {-90.0f, 215.0f},
        {-125.0f, 195.0f},
        {-145.0f, 160.0f},
        {-150.0f, 115.0f},
        {-135.0f, 75.0f},
        {-140.0f, 30.0f},
        {-150.0f, -15.0f},
        {-140.0f, -60.0f},
        {-115.0f, -95.0f},
        {-120.0f, -135.0f},
        {-135.0f, -175.0f},
        {-115.0f, -210.0f},
        {-75.0f, -222.0f},
        {-30.0f, -215.0f},
        {10.0f, -190.0f},
        {45.0f, -200.0f},
        {85.0f, -210.0f},
        {125.0f, -190.0f},
        {150.0f, -155.0f},
        {155.0f, -110.0f},
        {140.0f, -70.0f},
        {120.0f, -40.0f},
        {110.0f, -5.0f},
        {114.0f, 35.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& pole : TanzaniaDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(pole, TanzaniaDefs::MODELS[pole.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Tanzania\\";
    design.masks = {{graphics + TanzaniaDefs::ACACIA.mask, TanzaniaDefs::ACACIA.collisionRadius, 1.0f}};
    design.treeCount = 420;
    design.startClearing = 40.0f;
    design.tuftMaskPath = graphics + TanzaniaDefs::GRASS.mask;
    design.tuftCount = 3000;
    design.alphaMapPath = graphics + TanzaniaDefs::PASSES[1].alphaMap;
    design.baseHeight = 3.0f;
    design.hillHeight = 1.2f;
    design.hillSize = 120.0f;
    design.seed = 91;
    design.roadColour = 0xE0E0C080u;
    design.edgeColour = 0xC0604020u;
    return design;
}

void WriteTanzaniaLandscape(DataFolder& folder)
{
    WriteLandscape(folder, TanzaniaLandscape());
}

} // namespace datagen
