#pragma once
// Finland I: a grassy landscape with gravel roads, fir, pine and birch trees,
// cottages, a fence, rocks, loose stones and the finish poles.

#include "tracks/TrackDefs.h"

namespace FinlandDefs {

constexpr TrackConstants CONSTANTS = {{400.0f, 25.0f, 575.0f}, 256, 256, 32, 32, 800, 1150, {104.3f, 150.0f, 220.0f}};

constexpr TerrainPassDef PASSES[] = {
    {"Textures\\Grass.dds", nullptr, 278.26f, 400.0f},
    {"Textures\\Gravel.dds", "Textures\\GravelAlpha.dds", 400.0f, 575.0f},
};

constexpr BillboardDef FIR = {"Textures\\Fir.dds", 7.11f, 12.0f, 0xFFFFFFFFu, 0.5f, 3, "FirTrees.raw", -0.16f};
constexpr BillboardDef PINE = {"Textures\\Pine.dds", 7.13f, 15.0f, 0xFFFFFFFFu, 0.42f, 3, "PineTrees.raw", -0.16f};
constexpr BillboardDef BIRCH = {"Textures\\Birch.dds", 15.23f, 23.0f, 0xFFFFFFFFu, 0.57f, 3, "BirchTrees.raw", -0.18f};

constexpr TreeDef BILLBOARD_TREE = {8, {0.0f, 27.5f, 0.0f}, {400.0f, 55.0f, 575.0f}};
constexpr TreeDef OBJECT_TREE = {4, {0.0f, 27.5f, 0.0f}, {400.0f, 55.0f, 575.0f}};

constexpr const char* MODELS[] = {
    "Graphics\\Tracks\\Finland\\Models\\Cottage.x",  "Graphics\\Tracks\\Finland\\Models\\Cottage2.x",
    "Graphics\\Tracks\\Finland\\Models\\Fence.x",    "Graphics\\Tracks\\Finland\\Models\\Rock.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Rock2.qvx",  "Graphics\\Tracks\\Finland\\Models\\Rock3.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Rock4.qvx",  "Graphics\\Tracks\\Finland\\Models\\Rock5.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Rock6.qvx",  "Graphics\\Tracks\\Finland\\Models\\Rock7.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Stone.qvx",  "Graphics\\Tracks\\Finland\\Models\\Stone2.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Stone3.qvx", "Graphics\\Tracks\\Finland\\Models\\Stone4.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Stone5.qvx", "Graphics\\Tracks\\Finland\\Models\\Stone6.qvx",
    "Graphics\\Tracks\\Finland\\Models\\Stone7.qvx", "Graphics\\Models\\FinishPole.x",
};

constexpr const char* TEXTURES[] = {
    "Graphics\\Tracks\\Finland\\Textures\\Cottage.dds", "Graphics\\Tracks\\Finland\\Textures\\Cottage2.dds",
    "Graphics\\Tracks\\Finland\\Textures\\Fence.dds",   "Graphics\\Tracks\\Finland\\Textures\\Rock.dds",
    "Graphics\\Tracks\\Finland\\Textures\\Rock2.dds",   "Graphics\\Tracks\\Finland\\Textures\\Rock3.dds",
    "Graphics\\Tracks\\Finland\\Textures\\Rock4.dds",   "Graphics\\Tracks\\Finland\\Textures\\Rock5.dds",
    "Graphics\\Tracks\\Finland\\Textures\\Rock6.dds",   "Graphics\\Textures\\FinishPole.dds",
};

// Rows the sample landscape was designed around; model by model, as the
// game appends them.
constexpr PlacementDef STATIC_PLACEMENTS[] = {
    {0, 0, "", {-72.8018f, 16.1f, 51.378f}, {0.0f, -3.08051f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {0, 0, "", {-150.2f, 17.4695f, 142.6f}, {0.0f, 0.61f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {0, 0, "", {22.4f, 18.7927f, -188.5f}, {0.0f, 1.92f, 0.0f}, 0.0f, 3, 1, {4.55f, 6.692f, 4.69f}, 0, 0.0f},
    {1, 1, "", {-70.4597f, 21.0f, -99.9226f}, {0.0f, 1.03847f, 0.0f}, 0.0f, 3, 1, {9.3f, 4.82f, 6.5f}, 0, 0.0f},
    {1, 1, "", {156.3373f, 17.3069f, -62.2499f}, {0.0f, -0.42f, 0.0f}, 0.0f, 3, 1, {9.3f, 4.82f, 6.5f}, 0, 0.0f},
    {2, 2, "", {-123.505f, 14.214f, -237.162f}, {0.0f, -1.5708f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {2, 2, "", {-74.6751f, 15.6301f, 211.9126f}, {0.0f, 0.31f, 0.0f}, 0.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {3, 3, "", {-20.7147f, 15.6747f, 29.8862f}, {0.0f, -0.213f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {3, 3, "", {-2.4124f, 15.8872f, 43.6924f}, {0.0f, 0.0738f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {3, 5, "", {37.8613f, 17.5079f, 146.4884f}, {0.0f, -1.2189f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {3, 8, "", {-137.3548f, 14.6417f, 160.1683f}, {0.0f, -2.8403f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {4, 4, "", {154.1238f, 15.5008f, 232.3789f}, {0.0f, 0.7165f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {4, 8, "", {-103.6569f, 18.8917f, -231.6598f}, {0.0f, -2.7308f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {4, 8, "", {-107.2313f, 18.0073f, -129.0285f}, {0.0f, -0.2236f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {5, 5, "", {-24.6247f, 17.1357f, 171.2136f}, {0.0f, 0.8698f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {5, 8, "", {-5.0749f, 17.1343f, 81.2248f}, {0.0f, -1.3754f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {5, 8, "", {144.2397f, 16.8954f, 248.4739f}, {0.0f, 1.2884f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {6, 4, "", {-65.9585f, 15.7191f, -135.167f}, {0.0f, -2.6646f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {6, 5, "", {82.875f, 13.0424f, -49.8001f}, {0.0f, -0.7036f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {6, 6, "", {146.154f, 16.3349f, 173.6549f}, {0.0f, -1.7998f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {6, 7, "", {115.7175f, 13.5709f, -18.1251f}, {0.0f, -0.636f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {7, 5, "", {-145.8973f, 15.0255f, 64.7275f}, {0.0f, -1.4274f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {7, 7, "", {-141.2424f, 17.4576f, -83.7072f}, {0.0f, 1.5999f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 3, "", {-153.4165f, 16.9909f, -111.6632f}, {0.0f, -2.7287f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 3, "", {91.9693f, 15.1661f, -152.2221f}, {0.0f, -0.326f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 4, "", {-96.6818f, 14.9572f, 109.9471f}, {0.0f, 0.891f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 5, "", {-143.5103f, 17.168f, -40.6263f}, {0.0f, -1.4273f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 6, "", {-103.403f, 12.8881f, -249.267f}, {0.0f, -2.96706f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 6, "", {150.4066f, 16.9932f, 151.7058f}, {0.0f, 2.3862f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 8, "", {-85.6152f, 15.4459f, -54.9762f}, {0.0f, 0.8794f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {8, 8, "", {-136.8902f, 14.5245f, 244.6508f}, {0.0f, -1.4987f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {9, 4, "", {84.9876f, 14.3971f, -85.5223f}, {0.0f, -2.6449f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {9, 7, "", {-140.2613f, 15.6005f, 41.3674f}, {0.0f, 0.628f, 0.0f}, 0.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr PlacementDef DYNAMIC_PLACEMENTS[] = {
    {10, 7, "", {-50.9491f, 16.0488f, 237.811f}, {0.0f, 0.0f, 0.0f}, 53.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {10, 8, "", {70.6051f, 15.6732f, 236.731f}, {0.0f, 0.0f, 0.0f}, 53.0f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {11, 5, "", {-10.3709f, 15.4618f, 183.2628f}, {0.0f, 0.0f, 0.0f}, 12.7f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {11, 8, "", {-109.6669f, 13.5691f, 204.2119f}, {0.0f, 0.0f, 0.0f}, 12.7f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {12, 7, "", {98.3416f, 14.3254f, -137.1651f}, {0.0f, 0.0f, 0.0f}, 18.6f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {12, 7, "", {74.01f, 15.1867f, -151.7051f}, {0.0f, 0.0f, 0.0f}, 18.6f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {13, 5, "", {-164.942f, 15.2f, 65.6701f}, {0.0f, 0.0f, 0.0f}, 45.2f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {14, 8, "", {143.5448f, 15.8338f, 51.7671f}, {0.0f, 0.0f, 0.0f}, 12.4f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {15, 7, "", {-33.5752f, 15.2181f, -248.4547f}, {0.0f, 0.0f, 0.0f}, 33.3f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {15, 8, "", {147.6849f, 14.3356f, 102.2897f}, {0.0f, 0.0f, 0.0f}, 33.3f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {16, 5, "", {-83.8585f, 14.9505f, 36.308f}, {0.0f, 0.0f, 0.0f}, 20.6f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {16, 8, "", {-73.1663f, 15.1367f, 110.1767f}, {0.0f, 0.0f, 0.0f}, 20.6f, 4, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {17, 9, "", {100.37501f, 16.04f, 86.99999f}, {0.0f, 0.0f, -0.24f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
    {17, 9, "", {108.37501f, 16.09f, 86.99999f}, {0.05f, 0.0f, 0.28f}, 2.0f, 3, 0, {0.0f, 0.0f, 0.0f}, 0, 0.0f},
};

constexpr LightDef LIGHT = {{-0.682f, -0.55484f, 0.78228f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            {0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 1.0f, 1.0f, 1.0f},
                            0xFF4D4D4Du};

constexpr float GROUND_FRICTION = 5.0f;

} // namespace FinlandDefs
