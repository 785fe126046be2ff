#include "MopedTestKit.h"

#include "tracks/TrackData.h"

#include <cmath>

namespace {

constexpr float HALF_PI = 1.5707964f;
// The tilt from upright at which a still moped counts as fallen: up.y = 0.6.
const float FALLEN_TILT = std::acos(0.6f);
// The 8 s count-down in 16 ms frames.
constexpr int COUNT_DOWN_FRAMES = 500;

float Heading(const TVec4& forward)
{
    return std::atan2(forward.x, forward.z);
}

} // namespace

class MopedRecovery : public MopedTest {
protected:
    // Steps until `status` shows, at most `frames`; the frames taken, or -1.
    int StepUntil(uint8_t status, int frames)
    {
        for (int frame = 1; frame <= frames; ++frame) {
            Step();
            if (moped->status == status)
                return frame;
        }
        return -1;
    }

    // Standing still at (x, z) ground-plane, facing along `heading`.
    void PlaceAt(float x, float z, float heading, float roll = 0.0f)
    {
        const TVec4 point = Vec(x, GroundAt(x, z) + 0.45f, z, 1.0f);
        const float angles[3] = {0.0f, heading, roll};
        moped->PlaceBodies(&point, angles);
    }
};

// Laid down still, the moped is fallen from a tilt of about 53 degrees on
// (up.y below 0.6), not just short of it. Lying on its side it counts down
// the full 8 s, though its count before ended unfinished when it rode back
// onto the road by itself; then it is set upright in the cell it lies in,
// facing along the road, and the frame after it is normal again.
TEST_F(MopedRecovery, FallenMopedIsPutBackUprightAlongTheRoad)
{
    ASSERT_TRUE(StartMoped(TRACK_FINLAND)) << g_LastError;
    Step(30);
    const TrackSegment* cell = moped->progress.currentSegment;
    ASSERT_NE(cell, nullptr);
    const float x = moped->position.x, z = moped->position.z, heading = Heading(moped->forward);
    PlaceAt(x, z, heading, FALLEN_TILT - 0.01f);
    Step();
    EXPECT_EQ(moped->status, MOPEDSTATUS_NORMAL);
    PlaceAt(x, z, heading, FALLEN_TILT + 0.01f);
    Step();
    EXPECT_EQ(moped->status, MOPEDSTATUS_FALLEN | MOPEDSTATUS_MESSAGE);

    // Upright 26 m beside the road, facing it, and ridden back.
    const float sideX = cell->direction.z, sideZ = -cell->direction.x;
    PlaceAt(cell->centre.x + sideX * 26.0f, cell->centre.z + sideZ * 26.0f, std::atan2(-sideX, -sideZ));
    int frames = 0;
    do {
        moped->throttle = THROTTLE_ACCELERATE;
        SteerAlongRoad();
        Step();
    } while (moped->progress.currentSegment == nullptr && ++frames < 600);
    ASSERT_NE(moped->progress.currentSegment, nullptr);
    EXPECT_EQ(moped->status, MOPEDSTATUS_NORMAL);
    moped->throttle = THROTTLE_NONE;

    PlaceAt(x, z, heading + 0.5f, HALF_PI);
    ASSERT_GT(StepUntil(MOPEDSTATUS_FALLEN | MOPEDSTATUS_MESSAGE, 60), 0);
    EXPECT_EQ(moped->recoveryTimer.currentMs, 8000u);
    EXPECT_EQ(StepUntil(MOPEDSTATUS_RECOVERING, COUNT_DOWN_FRAMES + 5), COUNT_DOWN_FRAMES);
    EXPECT_EQ(moped->progress.currentSegment, cell);
    EXPECT_GT(moped->up.y, 0.99f);
    EXPECT_GT(moped->forward.x * cell->direction.x + moped->forward.z * cell->direction.z, 0.99f);
    EXPECT_FALSE(moped->recoveryTimer.running);
    Step();
    EXPECT_EQ(moped->status, MOPEDSTATUS_NORMAL);
}

// Off the road the distance to the last cell's gate centre counts in the ground
// plane: 24.9 m beside it is still near (though 3D distance to the centre, which lies
// at height 0, is over 25 m here); 25.1 m beside it is out of the track, and after the
// count-down the moped stands at that cell's gate centre.
TEST_F(MopedRecovery, MopedFarFromTheRoadIsRecoveredToItsLastCell)
{
    ASSERT_TRUE(StartMoped(TRACK_FINLAND)) << g_LastError;
    Step(10);
    const TrackSegment* cell = moped->progress.currentSegment;
    ASSERT_NE(cell, nullptr);
    const float sideX = cell->direction.z, sideZ = -cell->direction.x;
    auto aside = [&](float distance) {
        const float x = cell->centre.x + sideX * distance, z = cell->centre.z + sideZ * distance;
        const backend::Vector3 ground = {x, 0.0f, z};
        EXPECT_EQ(track->trackData.FindSegment(&ground), nullptr);
        PlaceAt(x, z, Heading(moped->forward));
    };
    aside(24.9f);
    ASSERT_GT(std::hypot(24.9f, moped->position.y), 25.0f);
    Step(20);
    EXPECT_EQ(moped->status, MOPEDSTATUS_NORMAL);
    EXPECT_EQ(moped->progress.lastSegment, cell);

    aside(25.1f);
    Step();
    EXPECT_EQ(moped->status, MOPEDSTATUS_OUT_OF_TRACK | MOPEDSTATUS_MESSAGE);
    EXPECT_GT(StepUntil(MOPEDSTATUS_RECOVERING, COUNT_DOWN_FRAMES + 5), COUNT_DOWN_FRAMES - 30);
    // The gate centre lies on the border of the cell and the one before it.
    const TrackSegment* back = moped->progress.currentSegment;
    ASSERT_TRUE(back == cell || back == cell->prev);
    EXPECT_LT(std::hypot(moped->position.x - cell->centre.x, moped->position.z - cell->centre.z), 0.5f);
    EXPECT_GT(moped->forward.x * back->direction.x + moped->forward.z * back->direction.z, 0.99f);
}
