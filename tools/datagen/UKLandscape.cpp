// UK Dirt Track: a twisting sandy circuit over low hills, muddy where the
// bikes run, fir trees in clumps.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/UKDefs.h"

namespace datagen {

LandscapeDesign UKLandscape()
{
    LandscapeDesign design;
    design.directory = "UK";
    design.constants = UKDefs::CONSTANTS;
    const PlacementDef& left = UKDefs::DYNAMIC_PLACEMENTS[0];
    const PlacementDef& right = UKDefs::DYNAMIC_PLACEMENTS[1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {30.0f, 84.0f},
        {62.0f, 76.0f},
        {85.0f, 52.0f},
        {92.0f, 20.0f},
        {80.0f, -10.0f},
        {55.0f, -25.0f},
        {45.0f, -55.0f},
        {60.0f, -90.0f},
        {70.0f, -120.0f},
        {50.0f, -140.0f},
        {15.0f, -138.0f},
        {-10.0f, -115.0f},
        {-20.0f, -85.0f},
        {-45.0f, -65.0f},
        {-80.0f, -70.0f},
        {-98.0f, -45.0f},
        {-95.0f, -5.0f},
        {-70.0f, 15.0f},
        {-55.0f, 40.0f},
        {-70.0f, 65.0f},
        {-60.0f, 90.0f},
        {-35.0f, 90.0f},
    };
    design.gateSpacing = 7.0f;
    for (const PlacementDef& pole : UKDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(pole, UKDefs::MODELS[pole.modelIndex]));
    design.masks = {{"Graphics\\Tracks\\UK\\" + std::string(UKDefs::FIR.mask), UKDefs::FIR.collisionRadius, 1.0f}};
    design.treeCount = 520;
    design.alphaMapPath = "Graphics\\Tracks\\UK\\" + std::string(UKDefs::PASSES[1].alphaMap);
    design.baseHeight = 12.0f;
    design.hillHeight = 4.0f;
    design.hillSize = 90.0f;
    design.seed = 31;
    design.roadColour = 0xE0D8B070u;
    design.edgeColour = 0xC0302010u;
    return design;
}

void WriteUKLandscape(DataFolder& folder)
{
    WriteLandscape(folder, UKLandscape());
}

} // namespace datagen
