#pragma once
// The landscape of a generated track: its road, height map, vegetation masks,
// terrain alpha map and minimap, designed around the fixed points of the
// track's tables and checked against the rules the game relies on.

#include "datagen/DataFolder.h"
#include "datagen/TrackRoad.h"
#include "datagen/writers/RgbaImage.h"
#include "tracks/TrackDefs.h"

#include <string>
#include <vector>

namespace datagen {

// A placed model the ground must carry: its box centre and full box size.
struct LandscapeObject {
    Float3 position;
    Float3 size;
    float rotationY = 0.0f;
    bool onRoad = false; // the finish poles stand on the gate's ends
};

struct LandscapeMask {
    std::string gamePath;
    float collisionWidth;
    float share; // of the track's trees
};

struct LandscapeDesign {
    std::string directory;
    TrackConstants constants;
    std::vector<Point2D> polygon; // closed, driving order, point 0 the centre of gate 0
    Point2D gateLeft, gateRight;  // the finish poles
    float gateSpacing = 8.0f;
    std::vector<LandscapeObject> objects;
    std::vector<LandscapeMask> masks;
    int treeCount = 0;
    std::string alphaMapPath; // the road layer's alpha map
    float baseHeight = 0.0f, hillHeight = 0.0f, hillSize = 100.0f;
    uint32_t seed = 0;
    uint32_t roadColour = 0, edgeColour = 0; // minimap
};

struct Landscape {
    TrackDataFile trackData;
    std::vector<uint8_t> heightMap;
    std::vector<std::vector<uint8_t>> masks; // one per design mask
    RgbaImage alphaMap, minimap;
};

// The object a placement row puts down, sized as the generated model; the
// finish poles stand on the road.
LandscapeObject PlacedObject(const PlacementDef& placement, const char* modelPath);
// The ground height the design wants at (x, z) before the road and the pads.
float NaturalHeight(const LandscapeDesign& design, float x, float z);
Landscape BuildLandscape(const LandscapeDesign& design, const TrackRoad& road);
// Every broken rule, one message each; empty when the landscape is sound.
std::vector<std::string> CheckLandscape(const LandscapeDesign& design, const TrackRoad& road,
                                        const Landscape& landscape);
// Builds, checks and writes the track's landscape files; a broken rule fails the folder.
void WriteLandscape(DataFolder& folder, const LandscapeDesign& design);

LandscapeDesign FinlandLandscape();
LandscapeDesign UKLandscape();

} // namespace datagen
