// Finland I: a long gravel loop through rolling forest, round the cottages,
// the fence and the rocks of the track's tables.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/FinlandDefs.h"

namespace datagen {

LandscapeDesign FinlandLandscape()
{
    LandscapeDesign design;
    design.directory = "Finland";
    design.constants = FinlandDefs::CONSTANTS;
    constexpr size_t dynamicCount = std::size(FinlandDefs::DYNAMIC_PLACEMENTS);
    const PlacementDef& left = FinlandDefs::DYNAMIC_PLACEMENTS[dynamicCount - 2];
    const PlacementDef& right = FinlandDefs::DYNAMIC_PLACEMENTS[dynamicCount - 1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {106.0f, 130.0f},
        {95.0f, 170.0f},
        {70.0f, 195.0f},
        {35.0f, 200.0f},
        {10.0f, 215.0f},
        {-20.0f, 225.0f},
        {-50.0f, 205.0f},
        {-65.0f, 170.0f},
        {-95.0f, 150.0f},
        {-120.0f, 120.0f},
        {-125.0f, 85.0f},
        {-110.0f, 55.0f},
        {-115.0f, 20.0f},
        {-125.0f, -15.0f},
        {-110.0f, -50.0f},
        {-115.0f, -85.0f},
        {-130.0f, -120.0f},
        {-135.0f, -160.0f},
        {-115.0f, -195.0f},
        {-80.0f, -215.0f},
        {-40.0f, -225.0f},
        {0.0f, -210.0f},
        {35.0f, -220.0f},
        {70.0f, -205.0f},
        {100.0f, -180.0f},
        {125.0f, -145.0f},
        {135.0f, -105.0f},
        {130.0f, -65.0f},
        {140.0f, -30.0f},
        {135.0f, 5.0f},
        {115.0f, 35.0f},
        {104.375f, 62.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& placement : FinlandDefs::STATIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, FinlandDefs::MODELS[placement.modelIndex]));
    for (const PlacementDef& placement : FinlandDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, FinlandDefs::MODELS[placement.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Finland\\";
    design.masks = {{graphics + FinlandDefs::FIR.mask, FinlandDefs::FIR.collisionRadius, 0.45f},
                    {graphics + FinlandDefs::PINE.mask, FinlandDefs::PINE.collisionRadius, 0.35f},
                    {graphics + FinlandDefs::BIRCH.mask, FinlandDefs::BIRCH.collisionRadius, 0.2f}};
    design.treeCount = 900;
    design.alphaMapPath = graphics + FinlandDefs::PASSES[1].alphaMap;
    design.baseHeight = 16.0f;
    design.hillHeight = 4.5f;
    design.hillSize = 110.0f;
    design.seed = 7;
    design.roadColour = 0xE0E0D0B0u;
    design.edgeColour = 0xC0303020u;
    return design;
}

void WriteFinlandLandscape(DataFolder& folder)
{
    WriteLandscape(folder, FinlandLandscape());
}

} // namespace datagen
