// Where the terrain or the sea ends, the sky's band below the horizon goes on
// in the colour of what it meets: from the road and from the volcano the
// world's edge leaves no seam.

#include "TrackTestKit.h"

#include <string>

using backend::Vector3;

class WorldEdge : public TrackTest {
protected:
    // Looking along `angles` from 2.5 above the ground at `eye`, the picture just beyond the edge at
    // `edge` matches the picture just this side of it, along the row from column `left` on.
    void ExpectNoSeam(Vector3 eye, Vector3 angles, Vector3 edge, int left, const std::string& artifact)
    {
        ASSERT_TRUE(track->terrain.SnapToGroundXZ(&eye, 2.5f));
        const Camera camera = UseCamera(eye, angles);
        const std::vector<uint32_t> picture = DrawTrack(camera);
        SaveArtifact(artifact, picture);
        const int row = int(ProjectToScreen(camera, edge).y);
        ASSERT_GT(row, 20);
        ASSERT_LT(row, 580);
        int seams = 0;
        for (int x = left; x < 790; x += 20) {
            const uint32_t beyond = PixelAt(picture, x, row - 8), inside = PixelAt(picture, x, row + 8);
            seams += ColourNear(beyond, inside, 12) ? 0 : 1;
        }
        EXPECT_LE(seams, 1) << artifact << " at row " << row;
    }
};

TEST_F(WorldEdge, TerrainAndSeaMeetTheSkyWithoutASeam)
{
    ASSERT_TRUE(OpenScene());
    // Germany's grass ends a few metres beside the road.
    ASSERT_TRUE(LoadTrack(TRACK_GERMANY)) << g_LastError;
    Vector3 edge = {199.5f, 0.0f, 203.0f};
    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&edge, 0.0f));
    ExpectNoSeam({185.0f, 0.0f, 203.0f}, {-0.05f, SCENE_PI / 2, 0.0f}, edge, 10, "edge-Germany");
    FreeTrack();
    // Hawaii's sea ends at the world's edge, seen from the volcano.
    ASSERT_TRUE(LoadTrack(TRACK_HAWAII)) << g_LastError;
    ExpectNoSeam({-67.2f, 0.0f, -40.0f}, {-0.2f, -SCENE_PI / 2, 0.0f}, {-300.0f, 2.5f, -40.0f}, 430, "edge-Hawaii");
}
