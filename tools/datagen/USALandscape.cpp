// USA: the race loop runs along the town's streets on flat ground; asphalt
// is the base, pavements line every street and lawns fill the blocks outside
// downtown.

#include "datagen/SampleData.h"
#include "datagen/TrackLandscape.h"
#include "datagen/USAStreets.h"
#include "tracks/USADefs.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

const std::string GRAPHICS = "Graphics\\Tracks\\USA\\";
constexpr uint32_t MAP_WIDTH = 512, MAP_HEIGHT = 1024;
const Point2D DOWNTOWN = {40.0f, -330.0f};
const Point2D RAMP = {-122.96f, -92.331f};

float Ramp01(float x, float from, float to)
{
    return std::clamp((x - from) / (to - from), 0.0f, 1.0f);
}

// The pavement and lawn layers over the asphalt base.
void PaintLayers(const TrackRoad& road, RgbaImage& pavement, RgbaImage& grass)
{
    const float sizeX = USADefs::CONSTANTS.worldSize.x, sizeZ = USADefs::CONSTANTS.worldSize.z;
    const float halfWidth = road.Width() * 0.5f;
    for (uint32_t py = 0; py < MAP_HEIGHT; ++py)
        for (uint32_t px = 0; px < MAP_WIDTH; ++px) {
            // u runs with x from the -x edge, v from the +z edge.
            const float x = ((float(px) + 0.5f) / MAP_WIDTH - 0.5f) * sizeX;
            const float z = (0.5f - (float(py) + 0.5f) / MAP_HEIGHT) * sizeZ;
            const float asphalt = std::min(usa::StreetDistance(x, z), road.Project(x, z).distance - halfWidth);
            const float paved = Ramp01(asphalt, -0.2f, 0.3f);
            float lawn = Ramp01(asphalt, usa::PAVEMENT + 0.2f, usa::PAVEMENT + 0.8f);
            lawn *= Ramp01(std::hypot(x - DOWNTOWN.x, z - DOWNTOWN.z), 85.0f, 110.0f);
            lawn *= Ramp01(std::hypot(x - RAMP.x, z - RAMP.z), 15.0f, 17.0f);
            pavement.At(px, py) = (uint32_t(std::lround(paved * 255.0f)) << 24) | 0x00FFFFFFu;
            grass.At(px, py) = (uint32_t(std::lround(lawn * 255.0f)) << 24) | 0x00FFFFFFu;
        }
}

} // namespace

LandscapeDesign USALandscape()
{
    LandscapeDesign design;
    design.directory = "USA";
    design.constants = USADefs::CONSTANTS;
    design.flatGround = true;
    constexpr size_t dynamicCount = std::size(USADefs::DYNAMIC_PLACEMENTS);
    const PlacementDef& left = USADefs::DYNAMIC_PLACEMENTS[dynamicCount - 2];
    const PlacementDef& right = USADefs::DYNAMIC_PLACEMENTS[dynamicCount - 1];
    design.gateLeft = {left.position.x, left.position.z};
    design.gateRight = {right.position.x, right.position.z};
    design.polygon = usa::LoopPolygon();
    design.gateSpacing = 8.0f;
    // The loose blocks stand where the riders may knock them; only fixed objects must keep clear.
    for (const PlacementDef& placement : USADefs::STATIC_PLACEMENTS)
        design.objects.push_back(PlacedObject(placement, USADefs::MODELS[placement.modelIndex]));
    design.objects.push_back(PlacedObject(left, USADefs::MODELS[left.modelIndex]));
    design.objects.push_back(PlacedObject(right, USADefs::MODELS[right.modelIndex]));
    design.roadColour = 0xE0D0D0D0u;
    design.edgeColour = 0xC0202020u;
    return design;
}

void WriteUSALandscape(DataFolder& folder)
{
    const LandscapeDesign design = USALandscape();
    WriteLandscape(folder, design);
    RgbaImage pavement(MAP_WIDTH, MAP_HEIGHT), grass(MAP_WIDTH, MAP_HEIGHT);
    PaintLayers(DesignRoad(design), pavement, grass);
    WriteTexture(folder, GRAPHICS + USADefs::PASSES[1].alphaMap, pavement, DdsFormat::A8R8G8B8, true);
    WriteTexture(folder, GRAPHICS + USADefs::PASSES[2].alphaMap, grass, DdsFormat::A8R8G8B8, true);
}

} // namespace datagen
