// Germany: a circuit over flat grassland, the start straight between the
// stands, run-off sand beside the asphalt and tyre walls along the straights.

#include "datagen/GermanyCircuit.h"
#include "datagen/LandscapeGrid.h"
#include "datagen/Painter.h"
#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "tracks/GermanyDefs.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

const std::string GRAPHICS = "Graphics\\Tracks\\Germany\\";
constexpr uint32_t SAND_MAP_SIZE = 512;

float Ramp01(float x, float from, float to)
{
    return std::clamp((x - from) / (to - from), 0.0f, 1.0f);
}

// Sand in the run-off beside the asphalt, ragged at its outer edge.
RgbaImage PaintSand(const TrackRoad& road)
{
    const float sizeX = GermanyDefs::CONSTANTS.worldSize.x, sizeZ = GermanyDefs::CONSTANTS.worldSize.z;
    const float halfWidth = road.Width() * 0.5f;
    RgbaImage image(SAND_MAP_SIZE, SAND_MAP_SIZE);
    for (uint32_t py = 0; py < SAND_MAP_SIZE; ++py)
        for (uint32_t px = 0; px < SAND_MAP_SIZE; ++px) {
            const float x = ((float(px) + 0.5f) / SAND_MAP_SIZE - 0.5f) * sizeX;
            const float z = (0.5f - (float(py) + 0.5f) / SAND_MAP_SIZE) * sizeZ;
            const float edge = road.Project(x, z).distance - halfWidth;
            const float reach = 4.0f + 4.0f * FractalNoise(x, z, 30.0f, 2, 611);
            const float sand = Ramp01(edge, -0.5f, 0.5f) * (1.0f - Ramp01(edge, reach, reach + 1.5f));
            image.At(px, py) = (uint32_t(std::lround(sand * 255.0f)) << 24) | 0x00FFFFFFu;
        }
    return image;
}

// The land rises or falls gently towards the ground under each stand, so that
// the stands' pads stay small and the road past them smooth.
float Shape(float x, float z, float height)
{
    for (const PlacementDef& seat : GermanyDefs::STATIC_PLACEMENTS) {
        if (seat.snapToGround != 0)
            continue;
        const float target = GroundTarget(PlacedObject(seat, GermanyDefs::MODELS[seat.modelIndex]));
        const float d2 = (x - seat.position.x) * (x - seat.position.x) + (z - seat.position.z) * (z - seat.position.z);
        height += (target - height) * std::exp(-d2 / (2.0f * 35.0f * 35.0f));
    }
    return height;
}

} // namespace

LandscapeDesign GermanyLandscape()
{
    LandscapeDesign design;
    design.directory = "Germany";
    design.constants = GermanyDefs::CONSTANTS;
    // Travelling north along the start straight, the first pole is on the left.
    const PlacementDef& left = GermanyDefs::DYNAMIC_PLACEMENTS[0];
    const PlacementDef& right = GermanyDefs::DYNAMIC_PLACEMENTS[1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = germany::Polygon();
    design.gateSpacing = 8.0f;
    // The stands stand on pads; the tyre stacks sit on whatever ground they find.
    for (const PlacementDef& placement : GermanyDefs::STATIC_PLACEMENTS) {
        design.objects.push_back(PlacedObject(placement, GermanyDefs::MODELS[placement.modelIndex]));
        design.objects.back().padded = placement.snapToGround == 0;
    }
    for (const PlacementDef& placement : GermanyDefs::DYNAMIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, GermanyDefs::MODELS[placement.modelIndex]));
    design.alphaMapPath = GRAPHICS + GermanyDefs::PASSES[2].alphaMap;
    design.roadOnSlopes = false;
    design.baseHeight = 2.6f;
    design.hillHeight = 1.2f;
    design.hillSize = 120.0f;
    design.seed = 61;
    design.shape = Shape;
    design.roadColour = 0xE0C8C8C8u;
    design.edgeColour = 0xC0B02020u;
    return design;
}

void WriteGermanyLandscape(DataFolder& folder)
{
    const LandscapeDesign design = GermanyLandscape();
    WriteLandscape(folder, design);
    WriteTexture(folder, GRAPHICS + GermanyDefs::PASSES[1].alphaMap, PaintSand(DesignRoad(design)), DdsFormat::A8R8G8B8,
                 true);
}

} // namespace datagen
