// Cambodia: a sandy loop over a rolling high plateau, past the huts of the
// track's tables, between stands of trees with grass tufts along the verges.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/CambodiaDefs.h"

namespace datagen {

LandscapeDesign CambodiaLandscape()
{
    LandscapeDesign design;
    design.directory = "Cambodia";
    design.constants = CambodiaDefs::CONSTANTS;
    // Travelling +z, the second pole is on the left.
    const PlacementDef& left = CambodiaDefs::DYNAMIC_PLACEMENTS[1];
    const PlacementDef& right = CambodiaDefs::DYNAMIC_PLACEMENTS[0];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {116.0f, -30.0f},
        {122.0f, 5.0f},
        {132.0f, 45.0f},
        {140.0f, 85.0f},
        {142.0f, 125.0f},
        {138.0f, 160.0f},
        {128.0f, 195.0f},
        {105.0f, 200.0f},
        {80.0f, 196.0f},
        {50.0f, 200.0f},
        {20.0f, 198.0f},
        {5.0f, 175.0f},
        {-10.0f, 145.0f},
        {-35.0f, 115.0f},
        {-75.0f, 100.0f},
        {-110.0f, 88.0f},
        {-125.0f, 60.0f},
        {-128.0f, 20.0f},
        {-132.0f, -20.0f},
        {-135.0f, -60.0f},
        {-125.0f, -100.0f},
        {-100.0f, -135.0f},
        {-65.0f, -160.0f},
        {-25.0f, -175.0f},
        {15.0f, -180.0f},
        {55.0f, -170.0f},
        {85.0f, -145.0f},
        {105.0f, -115.0f},
        {114.0f, -95.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& placement : CambodiaDefs::STATIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, CambodiaDefs::MODELS[placement.modelIndex]));
    for (const PlacementDef& placement : CambodiaDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, CambodiaDefs::MODELS[placement.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Cambodia\\";
    design.masks = {{graphics + CambodiaDefs::TREE.mask, CambodiaDefs::TREE.collisionRadius, 1.0f}};
    design.treeCount = 1000;
    design.startClearing = 45.0f;
    design.tuftMaskPath = graphics + CambodiaDefs::GRASS.mask;
    design.tuftCount = 2500;
    design.alphaMapPath = graphics + CambodiaDefs::PASSES[1].alphaMap;
    design.baseHeight = 31.0f;
    design.hillHeight = 4.5f;
    design.hillSize = 90.0f;
    design.seed = 53;
    design.roadColour = 0xE0D8B880u;
    design.edgeColour = 0xC0403018u;
    return design;
}

void WriteCambodiaLandscape(DataFolder& folder)
{
    WriteLandscape(folder, CambodiaLandscape());
}

} // namespace datagen
