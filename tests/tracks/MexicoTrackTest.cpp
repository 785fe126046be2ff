#include "TrackTestKit.h"

#include "tracks/MexicoDefs.h"
#include "tracks/MexicoTrack.h"

#include "backend/math/Vector.h"

#include <cmath>

using backend::Vector3;

namespace {

// How far the terrain stays under the line from `eye` towards the sun; negative when it rises above it.
float SunLineClearance(const Terrain& terrain, const Vector3& eye, const Vector3& sun)
{
    float lowest = 1e9f;
    for (float t = 4.0f; t < 600.0f; t += 2.0f) {
        Vector3 ground = {eye.x + sun.x * t, 0.0f, eye.z + sun.z * t};
        if (!terrain.SnapToGroundXZ(&ground, 0.0f))
            break;
        lowest = std::min(lowest, eye.y + sun.y * t - ground.y);
    }
    return lowest;
}

} // namespace

class MexicoTrackTest : public TrackTest {};

// Seen from above the east side, the fog sheets whiten the valley floor below
// them and leave the higher ground alone.
TEST_F(MexicoTrackTest, FogSheetsLieOverTheValleyOnly)
{
    ASSERT_TRUE(OpenTrack(TRACK_MEXICO)) << g_LastError;
    const Camera camera = UseCamera({40.0f, 50.0f, 64.0f}, {-0.45f, SCENE_PI / 2, 0.0f});
    // Two sheets a tenth apart, drifting their own ways.
    const Water* sheets = Loaded<MexicoTrack>().fogLayers;
    const float heights[] = {12.9f, 13.0f}, driftU[] = {0.00004f, -0.000065f}, driftV[] = {0.00004f, 0.000015f};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(sheets[i].position.x, 165.0f) << "sheet " << i;
        EXPECT_EQ(sheets[i].position.y, heights[i]) << "sheet " << i;
        EXPECT_EQ(sheets[i].position.z, 64.04f) << "sheet " << i;
        EXPECT_EQ(sheets[i].speedU, driftU[i]) << "sheet " << i;
        EXPECT_EQ(sheets[i].speedV, driftV[i]) << "sheet " << i;
        EXPECT_EQ(sheets[i].sizeX, 212.0f) << "sheet " << i;
        EXPECT_EQ(sheets[i].sizeZ, 556.16f) << "sheet " << i;
    }
    const std::vector<uint32_t> withFog = DrawTrack(camera);
    SaveArtifact("track-Mexico-fog", withFog);
    for (Water& sheet : Loaded<MexicoTrack>().fogLayers)
        sheet.position.y -= 100.0f;
    const std::vector<uint32_t> withoutFog = DrawTrack(camera);

    Vector3 valley = {150.0f, 0.0f, 64.0f}, rim = {88.0f, 0.0f, 64.0f};
    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&valley, 0.0f));
    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&rim, 0.0f));
    ASSERT_LT(valley.y, heights[0]);
    ASSERT_GT(rim.y, heights[1]);
    EXPECT_GT(Brightness(PixelOf(withFog, camera, valley)), Brightness(PixelOf(withoutFog, camera, valley)) + 60);
    EXPECT_TRUE(ColourNear(PixelOf(withFog, camera, rim), PixelOf(withoutFog, camera, rim), 2));
}

// Facing the low sun, the flare is bright where the line to the sun is clear
// and dark where the mesa stands in front of it.
TEST_F(MexicoTrackTest, SunFlareDimsWhenTheTerrainHidesTheSun)
{
    ASSERT_TRUE(OpenTrack(TRACK_MEXICO)) << g_LastError;
    Vector3 sun;
    Vec3Normalize(&sun, &MexicoDefs::LENS_FLARE.sunDirection);
    // The road places with the clearest and the most hidden view of the sun.
    Vector3 clear, hidden;
    float mostClear = -1e9f, mostHidden = 1e9f;
    for (const TrackSegment* cell : RoadCells()) {
        Vector3 eye = cell->centre;
        ASSERT_TRUE(track->terrain.SnapToGroundXZ(&eye, 2.5f));
        const float clearance = SunLineClearance(track->terrain, eye, sun);
        if (clearance > mostClear)
            mostClear = clearance, clear = eye;
        if (clearance < mostHidden)
            mostHidden = clearance, hidden = eye;
    }
    ASSERT_GT(mostClear, 1.0f);
    ASSERT_LT(mostHidden, -3.0f);

    const uint32_t bright = FlareSeenFrom(Loaded<MexicoTrack>().lensFlare, clear, sun);
    const uint32_t dimmed = FlareSeenFrom(Loaded<MexicoTrack>().lensFlare, hidden, sun);
    EXPECT_GT(bright, 100u);
    EXPECT_LT(dimmed, bright / 4);
}
