// Mexico: a desert loop round a mesa, mountains along the west edge and a
// deep valley by the east edge where the fog lies.

#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/MexicoDefs.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

float Ramp(float x, float from, float to)
{
    const float t = std::clamp((x - from) / (to - from), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float MexicoShape(float x, float z, float h)
{
    // The mesa in the middle of the loop hides the low sun from the west side.
    h += 30.0f * (1.0f - Ramp(std::hypot(x + 30.0f, z - 40.0f), 28.0f, 60.0f));
    // Mountains along the west edge.
    h += 36.0f * Ramp(-x, 147.0f, 165.0f) * (0.8f + 0.4f * FractalNoise(x, z, 40.0f, 2, 211));
    // The valley floor well under the fog sheets.
    const float floor = 5.0f + 2.5f * FractalNoise(x, z, 30.0f, 2, 212);
    return h + (floor - h) * Ramp(x, 102.0f, 128.0f);
}

} // namespace

LandscapeDesign MexicoLandscape()
{
    LandscapeDesign design;
    design.directory = "Mexico";
    design.constants = MexicoDefs::CONSTANTS;
    const PlacementDef& left = MexicoDefs::DYNAMIC_PLACEMENTS[0];
    const PlacementDef& right = MexicoDefs::DYNAMIC_PLACEMENTS[1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = {
        {(left.position.x + right.position.x) * 0.5f, (left.position.z + right.position.z) * 0.5f},
        {80.0f, 128.0f},
        {62.0f, 152.0f},
        {22.0f, 158.0f},
        {-20.0f, 142.0f},
        {-60.0f, 152.0f},
        {-100.0f, 160.0f},
        {-128.0f, 132.0f},
        {-133.0f, 82.0f},
        {-112.0f, 40.0f},
        {-120.0f, 0.0f},
        {-133.0f, -50.0f},
        {-118.0f, -100.0f},
        {-128.0f, -150.0f},
        {-108.0f, -198.0f},
        {-60.0f, -212.0f},
        {-12.0f, -194.0f},
        {30.0f, -208.0f},
        {70.0f, -198.0f},
        {92.0f, -168.0f},
        {88.0f, -120.0f},
        {70.0f, -80.0f},
        {84.0f, -40.0f},
        {92.0f, 0.0f},
        {84.0f, 40.0f},
        {78.0f, 68.0f},
    };
    design.gateSpacing = 8.0f;
    for (const PlacementDef& pole : MexicoDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(pole, MexicoDefs::MODELS[pole.modelIndex]));
    const std::string graphics = "Graphics\\Tracks\\Mexico\\";
    design.masks = {{graphics + MexicoDefs::CACTUS.mask, MexicoDefs::CACTUS.collisionRadius, 1.0f}};
    design.treeCount = 700;
    design.alphaMapPath = graphics + MexicoDefs::PASSES[1].alphaMap;
    design.roadOnSlopes = false;
    design.levelRoad = true;
    design.layers = {{graphics + MexicoDefs::PASSES[2].alphaMap, 40.0f, 48.0f, 1000.0f, 1001.0f, 14.0f, 24.0f}};
    design.baseHeight = 22.0f;
    design.hillHeight = 4.0f;
    design.hillSize = 90.0f;
    design.seed = 53;
    design.shape = MexicoShape;
    const WaterDef& fog = MexicoDefs::FOG_LAYERS[0];
    design.heightChecks = {{{150.0f, 64.0f}, 14.0f, 0.0f, fog.centre.y - 1.5f, "the valley under the fog"},
                           {{150.0f, -150.0f}, 14.0f, 0.0f, fog.centre.y - 1.5f, "the valley under the fog"}};
    design.roadColour = 0xE0404040u;
    design.edgeColour = 0xC0E0C090u;
    return design;
}

void WriteMexicoLandscape(DataFolder& folder)
{
    WriteLandscape(folder, MexicoLandscape());
}

} // namespace datagen
