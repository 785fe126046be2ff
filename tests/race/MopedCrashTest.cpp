#include "MopedTestKit.h"

#include "audio/Sound3D.h"
#include "physics/TSimulator.h"

#include <cmath>

class MopedCrash : public MopedTest {};

// Driven into a wall, the moped plays the crash sound at the first contact
// point, at twice the pitch and 0.08 of the impact speed as volume; contacts
// while it plays change nothing. Rolling on the ground before never calls back.
TEST_F(MopedCrash, WallHitPlaysTheCrashSoundAtTheFirstContact)
{
    ASSERT_TRUE(StartMoped(TRACK_UK, 0, 1)) << g_LastError;
    const float heading = std::atan2(moped->forward.x, moped->forward.z);
    const float x = moped->position.x + moped->forward.x * 10.0f, z = moped->position.z + moped->forward.z * 10.0f;
    const TAnimatedBody* wall =
        AddStaticBox(Vec(x, GroundAt(x, z) + 0.5f, z, 1.0f), Vec(10.0f, 3.0f, 0.5f), heading, 3);
    ASSERT_NE(wall, nullptr);
    int starts = 0, frames = 0;
    bool playing = false;
    for (; frames < 600; ++frames) {
        moped->throttle = THROTTLE_ACCELERATE;
        moped->steering = STEER_NONE;
        Step();
        starts += crashSound->IsPlaying() && !playing ? 1 : 0;
        playing = crashSound->IsPlaying();
        if (!contacts.empty() && !playing)
            break;
    }
    ASSERT_FALSE(contacts.empty());
    const TCollisionInfo& first = contacts.front();
    EXPECT_TRUE(first.bodyA == wall || first.bodyB == wall);
    EXPECT_GT(contacts.size(), 1u);
    EXPECT_EQ(starts, 1);
    const backend::Vector3* at = crashSound->GetPosition();
    EXPECT_EQ(at->x, first.worldPointA.x);
    EXPECT_EQ(at->y, first.worldPointA.y);
    EXPECT_EQ(at->z, first.worldPointA.z);
    const float impact = std::sqrt(LengthSquared3(first.contactVelocity));
    EXPECT_GT(impact, 2.0f);
    EXPECT_FLOAT_EQ(crashSound->GetVolume(), std::min(0.08f * impact, 1.0f));
    EXPECT_EQ(crashSound->GetFrequency(), 2.0f);
}
