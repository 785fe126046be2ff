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
    bool padded = true;  // false: the object sinks into the ground as it lies
};

struct LandscapeMask {
    std::string gamePath;
    float collisionWidth;
    float share; // of the track's trees
};

// Ground the design promises within `radius` of a point, checked after building.
struct HeightCheck {
    Point2D centre;
    float radius;
    float low, high;
    const char* what;
};

// A terrain layer's alpha map: full between the height ramps and on slopes
// steeper than slopeFull degrees, clear on the road.
struct LandscapeLayer {
    std::string gamePath;
    float lowFrom, lowFull, highFull, highTo; // height band
    float slopeFrom, slopeFull;
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
    float startClearing = 0.0f; // no trees nearer than this to the centre of gate 0
    std::string alphaMapPath;   // the road layer's alpha map; empty when the track paints its own
    bool flatGround = false;    // the ground lies at 0 everywhere; objects may stand on it or sink into it
    // Grass tufts that never collide: scattered near the road, off it and off the pads.
    std::string tuftMaskPath;
    int tuftCount = 0;
    float baseHeight = 0.0f, hillHeight = 0.0f, hillSize = 100.0f;
    uint32_t seed = 0;
    uint32_t roadColour = 0, edgeColour = 0; // minimap
    // Valleys, islands, volcanoes: the natural height at (x, z) reshaped; null keeps it.
    float (*shape)(float x, float z, float height) = nullptr;
    bool hasWater = false;
    float waterLevel = 0.0f;  // the road, the poles and the trees stay above it
    float treeLine = 1e9f;    // no trees above it
    bool roadOnSlopes = true; // the road layer also covers the steep ground
    // The whole road at the height of the ground between the finish poles: on a
    // tall height scale every step of the map is a bump.
    bool levelRoad = false;
    std::vector<HeightCheck> heightChecks;
    std::vector<LandscapeLayer> layers;
};

struct Landscape {
    TrackDataFile trackData;
    std::vector<uint8_t> heightMap;
    std::vector<std::vector<uint8_t>> masks; // one per design mask
    std::vector<uint8_t> tufts;              // empty without a tuft mask
    RgbaImage alphaMap, minimap;
    std::vector<RgbaImage> layers; // one per design layer
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
// The design's road with its start grid.
TrackRoad DesignRoad(const LandscapeDesign& design);
// Builds, checks and writes the track's landscape files; a broken rule fails the folder.
Landscape WriteLandscape(DataFolder& folder, const LandscapeDesign& design);

LandscapeDesign FinlandLandscape();
LandscapeDesign UKLandscape();
LandscapeDesign USALandscape();
LandscapeDesign MexicoLandscape();
LandscapeDesign EgyptLandscape();
LandscapeDesign HawaiiLandscape();
LandscapeDesign GermanyLandscape();

} // namespace datagen
