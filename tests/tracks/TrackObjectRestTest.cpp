#include "TrackTestKit.h"

#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int FRAMES_PER_SECOND = 60;

// Cosine of the angle between the objects' up axes.
float UpAxisCosine(const backend::Matrix& a, const backend::Matrix& b)
{
    return a.m[1][0] * b.m[1][0] + a.m[1][1] * b.m[1][1] + a.m[1][2] * b.m[1][2];
}

bool AllAtRest(const Track& track)
{
    for (const DynamicTrackObject* object : track.dynamicObjects)
        if (object->body->status != TREST_RESTING)
            return false;
    return true;
}

} // namespace

class TrackObjectRest : public TrackTest {
protected:
    void Advance(int frames)
    {
        // The rain follows a moped; none is near the objects.
        const backend::Vector3 farAway = {10000.0f, 0.0f, 10000.0f};
        for (int frame = 0; frame < frames; ++frame) {
            physics.simulator->Advance(1.0f / FRAMES_PER_SECOND, 1, nullptr);
            track->Update(&farAway);
        }
    }

    // A box of a moped's size and mass, driven at `speed` (m/s) along +z into the object from just before it,
    // its bottom a little above the object's.
    void DriveMopedInto(const DynamicTrackObject& object, float speed)
    {
        const TVec4 start = Vec(object.position.x, object.position.y + 0.25f, object.position.z - 1.3f, 1.0f);
        ASSERT_NE(ThrowBox(Vec(0.6f, 0.9f, 1.1f), 120.0f, start, Vec(0.0f, 0.0f, speed)), nullptr);
    }

    // Frames until every loose object of the track rests, at most `limit`.
    int FramesUntilAllRest(int limit)
    {
        int frames = 0;
        for (; frames < limit && !AllAtRest(*track); ++frames)
            Advance(1);
        return frames;
    }
};

class TrackObjectsLeftAlone : public TrackObjectRest, public ::testing::WithParamInterface<TrackId> {};

// With no moped near, every loose object stays where the track places it for 10 s: a finish pole placed
// leaning more than the ground under it may settle on its foot, but it neither falls over nor slides away.
TEST_P(TrackObjectsLeftAlone, StayWherePlacedForTenSeconds)
{
    ASSERT_TRUE(OpenTrack(GetParam())) << g_LastError;
    ASSERT_TRUE(CreateWorld());
    std::vector<backend::Matrix> placed;
    for (const DynamicTrackObject* object : track->dynamicObjects)
        placed.push_back(object->world);
    Advance(10 * FRAMES_PER_SECOND);
    for (size_t i = 0; i < placed.size(); ++i) {
        const backend::Matrix& now = track->dynamicObjects[i]->world;
        const backend::Vector3 from = Origin(placed[i]), to = Origin(now);
        EXPECT_LT(std::hypot(to.x - from.x, to.z - from.z), 0.1f) << "object " << i;
        EXPECT_NEAR(to.y, from.y, 0.05f) << "object " << i;
        EXPECT_GT(UpAxisCosine(placed[i], now), std::cos(0.35f)) << "object " << i << " tips over";
    }
    EXPECT_TRUE(AllAtRest(*track));
}

INSTANTIATE_TEST_SUITE_P(BuiltTracks, TrackObjectsLeftAlone, ::testing::ValuesIn(BuiltTracks()), TrackTestName);

// A moped driven into a finish pole of Germany and into a block of the USA's rows: every loose object of
// the track is at rest again within 12 s.
TEST_F(TrackObjectRest, KnockedObjectsComeToRest)
{
    ASSERT_TRUE(OpenScene());
    for (TrackId id : {TRACK_GERMANY, TRACK_USA}) {
        ASSERT_TRUE(LoadTrack(id)) << g_LastError;
        physics.Destroy();
        ASSERT_TRUE(CreateWorld(1));
        Advance(2 * FRAMES_PER_SECOND);
        ASSERT_TRUE(AllAtRest(*track)) << g_TrackDirectoryNames[id];
        const DynamicTrackObject& target = *track->dynamicObjects.front();
        DriveMopedInto(target, 8.0f);
        Advance(FRAMES_PER_SECOND / 2);
        const backend::Vector3 knocked = Origin(target.world);
        ASSERT_GT(std::hypot(knocked.x - target.position.x, knocked.z - target.position.z), 0.3f)
            << g_TrackDirectoryNames[id] << ": the moped missed";
        const int frames = FramesUntilAllRest(12 * FRAMES_PER_SECOND);
        std::printf("%s: every loose object at rest %.2f s after the knock\n", g_TrackDirectoryNames[id],
                    float(frames + FRAMES_PER_SECOND / 2) / FRAMES_PER_SECOND);
        EXPECT_LT(frames, 12 * FRAMES_PER_SECOND) << g_TrackDirectoryNames[id];
    }
}
