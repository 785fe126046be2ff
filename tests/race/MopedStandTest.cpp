#include "MopedTestKit.h"

#include "physics/TRigidBody.h"

#include <cmath>

class MopedStand : public MopedTest, public ::testing::WithParamInterface<TrackId> {};

namespace {

// The body stands the tyre radius plus the tyres' drop below it over the ground.
constexpr float STANDING_HEIGHT = TYRE_RADIUS + 0.254f;

} // namespace

// Placed at start place 0, the moped drops onto its tyres and settles within
// 2 s at the height its geometry gives, upright, with every joint closed and
// held in a constraint set.
TEST_P(MopedStand, SettlesOnItsTyresAtTheStartWithEveryJointClosed)
{
    ASSERT_TRUE(StartMoped(GetParam())) << g_LastError;
    EXPECT_LT(WidestJointGap(*moped), 0.001f);
    Step(60);
    EXPECT_GT(moped->up.y, std::cos(5.0f * SCENE_PI / 180.0f));
    Step(60);
    const TVec4 settled = moped->position;
    EXPECT_NEAR(settled.y - GroundAt(settled.x, settled.z), STANDING_HEIGHT, 0.03f);
    for (const TRigidBody* tyre : {moped->frontTyre, moped->rearTyre}) {
        const TVec4 centre = tyre->GetTransform().row[3];
        EXPECT_NEAR(centre.y - GroundAt(centre.x, centre.z), TYRE_RADIUS, 0.02f);
    }
    EXPECT_LT(WidestJointGap(*moped), 0.01f);
    EXPECT_EQ(moped->status, MOPEDSTATUS_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Tracks, MopedStand, ::testing::Values(TRACK_UK, TRACK_FINLAND), TrackTestName);
