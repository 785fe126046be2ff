#include "MopedTestKit.h"

#include "audio/Sound3D.h"
#include "physics/TRigidBody.h"

#include <cmath>
#include <cstring>

namespace {

// Figures of the driving model. Full drive is 4.5 x 25.08 = 112.86 N m on the
// rear tyre, 540 N at the road. The moped weighs 121 kg and each tyre adds
// I / r^2 = 2.91 / 0.209^2 = 66.6 kg of rolling inertia: 254 kg to speed up.
// Drag: air 0.58185 v^2, and each tyre's spin drag 0.0075 w^2 with w = v / r,
// 0.0075 / r^3 = 0.82 v^2 at the road: 2.225 v^2 in all. So
// v(t) = 15.58 tanh(0.1364 t): 6.0 m/s after 3 s and 10.5 m/s after 6 s less
// the drive's 20-step build-up after every shift; top speed 15.58 m/s.
// engineRate is the road speed of the rear tyre, so the shifts come at 2.5,
// 7.5 and 11.0 m/s.

// Signed turn from a to b seen from above, positive clockwise (to the right).
float TurnBetween(const TVec4& a, const TVec4& b)
{
    return std::atan2(a.z * b.x - a.x * b.z, a.x * b.x + a.z * b.z);
}

} // namespace

class MopedDrive : public MopedTest {
protected:
    // Up held, steered along the road.
    void Accelerate(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            moped->throttle = THROTTLE_ACCELERATE;
            SteerAlongRoad();
            Step();
        }
    }
};

// Full throttle straight on level ground: the speeds and shift points of the drive model,
// the engine's pitch through the gears, and after 8 s the speed the drive, the air drag
// and the tyres' drag give together (measured once; an air drag of 0.4 or 0.8 instead
// of 0.58 is 0.3 m/s off).
TEST_F(MopedDrive, SpeedGearsAndDragFollowTheDriveModelOnTheFlat)
{
    ASSERT_TRUE(StartMoped(TRACK_UK, 0, 1)) << g_LastError;
    ASSERT_TRUE(StandOnFlat(90.0f));
    Step(60);
    struct Shift {
        int from, to;
        float rate, torque;
    };
    std::vector<Shift> shifts;
    float at3 = 0.0f, at6 = 0.0f;
    // The engine's pitch: each gear's lowest, at its lower shift point, then rising and falling with the revs.
    const float basePitch[5] = {1.0f, 0.7f, 1.0f, 1.1f, 1.2f};
    int pitchMoves = 0;
    moped->throttle = THROTTLE_ACCELERATE;
    for (int frame = 1; frame <= 480; ++frame) {
        const int before = moped->gear;
        const float rateBefore = moped->engineRate;
        const float pitchBefore = moped->engineSound->GetFrequency();
        Step();
        const float pitch = moped->engineSound->GetFrequency();
        if (moped->gear != before) {
            shifts.push_back({before, moped->gear, moped->engineRate, moped->driveTorque});
            EXPECT_NEAR(pitch, basePitch[moped->gear], 0.05f) << "into gear " << moped->gear;
        } else if (moped->gear > 0 && moped->driveDirection == 1 && moped->engineRate != rateBefore) {
            EXPECT_EQ(pitch > pitchBefore, moped->engineRate > rateBefore) << "frame " << frame;
            ++pitchMoves;
        }
        at3 = frame == 180 ? moped->speed : at3;
        at6 = frame == 360 ? moped->speed : at6;
    }
    EXPECT_GT(at3, 4.0f);
    EXPECT_LT(at3, 6.3f);
    EXPECT_GT(at6, 7.0f);
    EXPECT_LT(at6, 10.8f);
    EXPECT_NEAR(moped->speed, 11.50f, 0.15f);
    EXPECT_GT(pitchMoves, 400);
    EXPECT_GT(moped->up.y, 0.98f);
    ASSERT_GE(shifts.size(), 4u);
    const float points[4] = {0.01f, 2.5f, 7.5f, 11.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shifts[size_t(i)].from, i);
        EXPECT_EQ(shifts[size_t(i)].to, i + 1);
        EXPECT_GT(shifts[size_t(i)].rate, points[i]);
        EXPECT_LT(shifts[size_t(i)].rate, points[i] + 0.2f);
        // Moving forward, a shift drops the drive to build up again; from a standstill it keeps building.
        if (i > 0) {
            EXPECT_EQ(shifts[size_t(i)].torque, 0.0f) << i;
        }
    }
    EXPECT_LT(WidestJointGap(*moped), 0.02f);
}

// The handbrake locks the rear wheel and cuts the drive without stopping the moped; Down
// then brakes it to a stop and backs it up in reverse.
TEST_F(MopedDrive, HandbrakeAndBrakeStopThenReverse)
{
    ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
    Accelerate(180);
    const float rolling = moped->speed;
    ASSERT_GT(rolling, 3.0f);
    moped->throttle = THROTTLE_HANDBRAKE;
    Step(10);
    EXPECT_GT(moped->speed, 0.5f * rolling);
    EXPECT_LT(moped->engineRate, 0.25f * moped->speed);
    EXPECT_EQ(moped->driveTorque, 0.0f);
    int stopped = -1;
    for (int frame = 0; frame < 240 && stopped < 0; ++frame) {
        moped->throttle = THROTTLE_BRAKE;
        Step();
        if (moped->speed < 0.3f)
            stopped = frame;
    }
    ASSERT_GE(stopped, 0) << "still at " << moped->speed;
    float backward = 0.0f;
    for (int frame = 0; frame < 60; ++frame) {
        moped->throttle = THROTTLE_BRAKE;
        Step();
        backward = std::min(backward, Dot3(moped->velocity, moped->forward));
    }
    EXPECT_EQ(moped->gear, -1);
    EXPECT_EQ(moped->driveDirection, 2);
    EXPECT_LT(backward, -1.0f);
}

// Right turns the heading clockwise seen from above, left anticlockwise.
TEST_F(MopedDrive, SteeringTurnsTheWayAsked)
{
    for (int steer : {STEER_RIGHT, STEER_LEFT}) {
        ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
        Accelerate(120);
        const TVec4 heading = moped->forward;
        for (int frame = 0; frame < 45; ++frame) {
            moped->throttle = THROTTLE_ACCELERATE;
            moped->steering = steer;
            Step();
        }
        const float turn = TurnBetween(heading, moped->forward);
        EXPECT_GT(steer == STEER_RIGHT ? turn : -turn, 0.05f) << "steering " << steer;
        EXPECT_GT(moped->up.y, 0.7f);
        FreeMoped();
    }
}

// Boost drains 0.15 a step for 667 steps at 14.0 power, then power falls back
// to 4.5 and the drive level with it; released, the reserve refills in 4000 steps.
TEST_F(MopedDrive, BoostDrainsAndRefillsAsSpecified)
{
    ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
    moped->throttle = THROTTLE_ACCELERATE;
    moped->boost = 1;
    for (int step = 1; step <= 666; ++step) {
        moped->Drive();
        ASSERT_EQ(moped->enginePower, MOPED_BOOST_POWER) << step;
    }
    EXPECT_NEAR(moped->boostAmount, 0.1f, 0.01f);
    EXPECT_EQ(moped->driveTorque, MOPED_BOOST_POWER);
    moped->Drive();
    EXPECT_EQ(moped->boostAmount, 0.0f);
    moped->Drive();
    EXPECT_EQ(moped->enginePower, MOPED_NORMAL_POWER);
    EXPECT_EQ(moped->driveTorque, MOPED_NORMAL_POWER);
    EXPECT_EQ(moped->boostAmount, 0.0f);
    moped->boost = 0;
    for (int step = 0; step < 3990; ++step)
        moped->Drive();
    EXPECT_NEAR(moped->boostAmount, 99.75f, 0.05f);
    for (int step = 0; step < 20; ++step)
        moped->Drive();
    EXPECT_EQ(moped->boostAmount, 100.0f);
}

// The same inputs from the same start give the same poses, bit for bit.
TEST_F(MopedDrive, TwoRunsWithTheSameInputsGiveTheSamePoses)
{
    std::vector<TMat44> runs[2];
    for (std::vector<TMat44>& poses : runs) {
        ASSERT_TRUE(StartMoped(TRACK_UK)) << g_LastError;
        Accelerate(300);
        poses = BodyPoses(*moped);
        for (const TMat44& pose : poses)
            ASSERT_TRUE(IsFinite3(pose.row[3]));
        FreeMoped();
    }
    EXPECT_EQ(std::memcmp(runs[0].data(), runs[1].data(), runs[0].size() * sizeof(TMat44)), 0);
}

// Reverse is left for neutral as soon as the moped no longer rolls backwards;
// that alone is no shift (no gear-change sound, the drive kept), but the same
// frame may go on into first gear when the throttle is held.
TEST(MopedGears, ReverseGivesWayToNeutralOnceTheMopedRollsForward)
{
    struct Case {
        int direction, throttle;
        float rate;
        int gear;
        bool changed;
    };
    for (const Case c :
         {Case{1, THROTTLE_NONE, 0.5f, 0, false}, Case{0, THROTTLE_BRAKE, 0.0f, 0, false},
          Case{1, THROTTLE_ACCELERATE, 0.005f, 0, false}, Case{1, THROTTLE_ACCELERATE, 0.02f, 1, true}}) {
        Moped moped;
        moped.gear = -1;
        moped.driveTorque = 3.0f;
        moped.driveDirection = c.direction;
        moped.throttle = c.throttle;
        moped.engineRate = c.rate;
        EXPECT_EQ(moped.SelectGear(), c.changed) << c.direction << " " << c.throttle << " " << c.rate;
        EXPECT_EQ(moped.gear, c.gear) << c.direction << " " << c.throttle << " " << c.rate;
        EXPECT_EQ(moped.driveTorque, c.changed ? 0.0f : 3.0f);
    }
}
