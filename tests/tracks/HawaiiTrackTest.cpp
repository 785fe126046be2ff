#include "TrackTestKit.h"

#include "tracks/HawaiiTrack.h"

#include <cmath>

using backend::Vector3;

class HawaiiTrackTest : public TrackTest {};

// From above the north shore: the sea covers the sea floor and not the beach.
TEST_F(HawaiiTrackTest, SeaCoversOnlyTheGroundBelowItsLevel)
{
    ASSERT_TRUE(OpenTrack(TRACK_HAWAII)) << g_LastError;
    const Camera camera = UseCamera({0.0f, 70.0f, 180.0f}, {-0.6f, 0.0f, 0.0f});
    ExpectWaterOnlyBelowItsLevel(Loaded<HawaiiTrack>().water, camera, 2.5f, {600.0f, 618.0f}, {0.0f, 0.0f, 285.0f},
                                 {0.0f, 0.0f, 215.0f}, "");
}

// After a race reset the puffs start at the vent, then rise straight up from
// it, spreading a little; seen from the slope, the plume shows over the vent.
TEST_F(HawaiiTrackTest, SmokeRisesFromTheVent)
{
    ASSERT_TRUE(OpenTrack(TRACK_HAWAII)) << g_LastError;
    // A hundred puffs rising 0.2 and spreading at most 0.1 a step.
    const struct {
        int count;
        float speed, spread;
    } def = {100, 0.2f, 0.1f};
    const Vector3 vent = {-67.2f, 70.0f, -64.0f};
    Vector3 crater = vent;
    ASSERT_TRUE(track->terrain.SnapToGroundXZ(&crater, 0.0f));
    EXPECT_LE(crater.y, vent.y);
    EXPECT_GT(crater.y, vent.y - 6.0f);

    ASSERT_TRUE(CreateWorld());
    track->Reset(nullptr);
    for (const Particle& puff : Loaded<HawaiiTrack>().volcanoSmoke.particles)
        ASSERT_EQ(puff.position, vent);
    constexpr int UPDATES = 60;
    for (int i = 0; i < UPDATES; ++i)
        track->Update(nullptr);
    ASSERT_EQ(Loaded<HawaiiTrack>().volcanoSmoke.particles.size(), size_t(def.count));
    float meanRise = 0.0f;
    for (const Particle& puff : Loaded<HawaiiTrack>().volcanoSmoke.particles) {
        const float rise = puff.position.y - vent.y;
        EXPECT_GE(rise, -1e-3f);
        EXPECT_LE(rise, def.speed * UPDATES + 1e-3f);
        EXPECT_LE(std::hypot(puff.position.x - vent.x, puff.position.z - vent.z), def.spread * UPDATES + 1e-3f);
        meanRise += rise / float(def.count);
    }
    EXPECT_GT(meanRise, def.speed * UPDATES * 0.5f);

    const Camera camera = UseCamera({vent.x + 100.0f, vent.y + 10.0f, vent.z + 100.0f}, {0.0f, -2.356f, 0.0f});
    const std::vector<uint32_t> withSmoke = DrawTrack(camera);
    SaveArtifact("track-Hawaii-volcano", withSmoke);
    Loaded<HawaiiTrack>().volcanoSmoke.Clear();
    const std::vector<uint32_t> withoutSmoke = DrawTrack(camera);
    const Vector3 plume = {vent.x, vent.y + def.speed * UPDATES * 0.5f, vent.z};
    EXPECT_FALSE(ColourNear(PixelOf(withSmoke, camera, plume), PixelOf(withoutSmoke, camera, plume), 24));
}
