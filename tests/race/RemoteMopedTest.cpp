#include "Autopilot.h"
#include "MopedTestKit.h"

#include "race/PlayerMoped.h"
#include "race/RemoteMoped.h"

#include "engine/platform/InputSystem.h"
#include "physics/TRigidBody.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>

namespace {

constexpr float THIRD_PI = 1.0471976f;
constexpr float TWO_PI = 6.2831853f;
// Float slots of a state: world rows, velocity, spin, torque, steer.
constexpr int PLACE = 12, VELOCITY = 16, SPIN = 20, TORQUE = 21, STEER = 22;

// The state a moped reports of itself, as 23 floats.
std::array<float, 23> StateOf(const Moped& m)
{
    std::array<float, 23> s{};
    for (int i = 0; i < 16; ++i)
        s[i] = m.world.row[i / 4][i % 4];
    for (int i = 0; i < 3; ++i)
        s[VELOCITY + i] = m.velocity[i];
    s[SPIN] = Dot3(m.rearTyre->GetAngularMomentum(), m.right);
    s[TORQUE] = m.driveTorque;
    s[STEER] = m.steerAngle;
    return s;
}

void SetRotation(std::array<float, 23>& s, const TMat34& r)
{
    for (int i = 0; i < 12; ++i)
        s[i] = i % 4 == 3 ? 0.0f : r.row[i / 4][i % 4];
}

void SetPlace(std::array<float, 23>& s, const TVec4& p)
{
    s[PLACE] = p.x, s[PLACE + 1] = p.y, s[PLACE + 2] = p.z;
}

TVec4 PlaceOf(const std::array<float, 23>& s)
{
    return Vec(s[PLACE], s[PLACE + 1], s[PLACE + 2]);
}

void PackState(const std::array<float, 23>& s, uint8_t* bytes)
{
    MopedStateMessage state;
    std::copy_n(s.begin(), 16, state.world);
    std::copy_n(s.begin() + VELOCITY, 4, state.velocity);
    state.rearTyreSpin = s[SPIN], state.driveTorque = s[TORQUE], state.steerAngle = s[STEER];
    state.Pack(bytes);
}

bool AllFinite(const Moped& m)
{
    for (const TMat44& pose : BodyPoses(m))
        for (const TVec4& row : pose.row)
            if (!IsFinite3(row))
                return false;
    return IsFinite3(m.body->GetVelocity()) && IsFinite3(m.rearTyre->GetAngularMomentum());
}

} // namespace

class RemoteMopedTest : public MopedTest {
protected:
    std::unique_ptr<Moped> NewMoped() override
    {
        if (sending)
            return std::make_unique<PlayerMoped>();
        return std::make_unique<RemoteMoped>();
    }
    RemoteMoped& Remote() { return static_cast<RemoteMoped&>(*moped); }

    // The remote moped at rest at start place 0 of the UK track.
    bool StartRemote()
    {
        if (!StartMoped(TRACK_UK))
            return false;
        Remote().Reset();
        Step(60);
        return true;
    }
    void Receive(const std::array<float, 23>& s) { PackState(s, Remote().stateMessage); }
    bool Unmoved(const std::vector<TMat44>& before)
    {
        return std::memcmp(before.data(), BodyPoses(*moped).data(), before.size() * sizeof(TMat44)) == 0;
    }
    // A frame of an opponent: the driving model, the step, its race state.
    void RemoteFrame()
    {
        moped->Drive();
        StepWorld();
        Remote().UpdateRaceClock(MOPED_FRAME_MS);
    }

    bool sending = false;
};

// Close by nothing changes; far off a frame moves it 6% of the way, turning the short way
// also where the quaternions change sign; a forced state is taken whole, lifted onto the
// ground when below it.
TEST_F(RemoteMopedTest, PullsTowardTheReceivedState)
{
    ASSERT_TRUE(StartRemote()) << g_LastError;
    RemoteMoped& m = Remote();
    const TVec4 ahead = Normalize3(Vec(m.forward.x, 0.0f, m.forward.z));
    std::array<float, 23> state = StateOf(m);
    SetPlace(state, m.position + ahead * 0.15f);
    Receive(state);
    const std::vector<TMat44> before = BodyPoses(m);
    EXPECT_FALSE(m.ApplyState(false));
    EXPECT_TRUE(Unmoved(before));

    SetPlace(state, m.position + ahead * 10.0f);
    Receive(state);
    EXPECT_TRUE(m.ApplyState(false));
    EXPECT_NEAR(std::sqrt(LengthSquared3(PlaceOf(state) - m.body->GetTransform().row[3])), 9.4f, 0.01f);
    for (float yaw : {0.0f, 4.0f * THIRD_PI, -2.0f * THIRD_PI, 2.0f * THIRD_PI, -4.0f * THIRD_PI}) {
        const float angles[3] = {0.0f, yaw - 0.05f, 0.0f};
        const TVec4 here = m.position, was = Moped::AngleRotation(0.0f, yaw - 0.05f, 0.0f).row[2];
        m.PlaceBodies(&here, angles);
        SetRotation(state, Moped::AngleRotation(0.0f, yaw + 0.05f, 0.0f));
        Receive(state);
        ASSERT_TRUE(m.ApplyState(false));
        EXPECT_NEAR(std::atan2(Cross3(was, m.forward).y, Dot3(was, m.forward)), 0.1f * 0.06f, 1e-3f) << yaw;
    }

    const TMat34 turn = Moped::AngleRotation(0.1f, 0.7f, -0.2f);
    const TVec4 there = m.position + Vec(3.0f, 0.0f, 2.0f), moving = Vec(1.0f, 0.5f, 4.0f);
    SetRotation(state, turn);
    SetPlace(state, Vec(there.x, GroundAt(there.x, there.z) + 1.0f, there.z));
    std::memcpy(&state[VELOCITY], &moving, 3 * sizeof(float));
    state[SPIN] = 20.0f, state[TORQUE] = 3.0f, state[STEER] = -0.4f;
    Receive(state);
    EXPECT_FALSE(m.ApplyState(true));
    const TMat44 pose = m.body->GetTransform();
    for (int row = 0; row < 3; ++row)
        EXPECT_LT(LengthSquared3(pose.row[row] - turn.row[row]), 1e-9f);
    EXPECT_LT(LengthSquared3(pose.row[3] - PlaceOf(state)), 1e-8f);
    EXPECT_LT(LengthSquared3(m.position - PlaceOf(state)), 1e-8f);
    for (const TRigidBody* part : {m.body, m.handlebar, m.frontTyre, m.swingArm, m.rearTyre, m.rider})
        EXPECT_LT(LengthSquared3(part->GetVelocity() - moving), 1e-8f);
    EXPECT_FLOAT_EQ(m.driveTorque, 3.0f);
    EXPECT_FLOAT_EQ(m.steerAngle, -0.4f);
    EXPECT_NEAR(Dot3(m.rearTyre->GetAngularMomentum(), m.right), 20.0f, 1e-4f);
    EXPECT_EQ(m.riderFrame, 12);

    SetPlace(state, Vec(there.x, GroundAt(there.x, there.z) - 5.0f, there.z));
    Receive(state);
    EXPECT_FALSE(m.ApplyState(true));
    EXPECT_NEAR(m.position.y, GroundAt(there.x, there.z) + 0.45f, 1e-4f);
}

// The drawn tyres turn the way the physics turns a tyre spinning about its axle, by the
// spin rate over 1/60 s, and the angle stays within [0, 2 pi).
TEST_F(RemoteMopedTest, WheelAngleFollowsTheSpinAndWraps)
{
    ASSERT_TRUE(StartRemote()) << g_LastError;
    RemoteMoped& m = Remote();
    std::array<float, 23> state = StateOf(m);
    state[SPIN] = 40.0f;
    Receive(state);
    m.ApplyState(true);
    const float rate = Dot3(m.rearTyre->GetAngularVelocity(), m.right);
    ASSERT_GT(rate / 60.0f, 0.1f);
    m.rearWheelAngle = 6.2f;
    m.ApplyState(true);
    EXPECT_NEAR(m.rearWheelAngle, 6.2f + rate / 60.0f - TWO_PI, 1e-4f);

    // The turn about the axle from the pose `from` to the rear tyre's present one.
    auto turnSince = [&](const TMat44& from) {
        const TMat44 now = m.rearTyre->GetTransform();
        return std::atan2(Dot3(Cross3(from.row[1], now.row[1]), now.row[0]), Dot3(from.row[1], now.row[1]));
    };
    const TMat44 drawn = m.rearTyre->GetTransform();
    StepWorld();
    const float physical = turnSince(drawn);
    m.ApplyState(true);
    EXPECT_GT(physical, 0.05f);
    EXPECT_NEAR(turnSince(drawn), physical, 0.05f);

    state[SPIN] = -40.0f;
    Receive(state);
    m.ApplyState(true);
    m.rearWheelAngle = 0.05f;
    m.ApplyState(true);
    EXPECT_NEAR(m.rearWheelAngle, 0.05f - rate / 60.0f + TWO_PI, 1e-4f);
}

// A state with a non-finite or impossible value is refused whole and moves nothing; held
// pending for a second it never poisons the bodies. The limits themselves are accepted.
TEST_F(RemoteMopedTest, RefusesBrokenStates)
{
    ASSERT_TRUE(StartRemote()) << g_LastError;
    RemoteMoped& m = Remote();
    const std::array<float, 23> good = StateOf(m);
    const struct {
        int first, count;
        float value;
    } spoilt[] = {
        {5, 1, NAN},         {PLACE + 1, 1, INFINITY}, {VELOCITY + 2, 1, -INFINITY},
        {SPIN, 1, NAN},      {STEER, 1, 5.0f},         {STEER, 1, -0.71f},
        {TORQUE, 1, 1e30f},  {TORQUE, 1, -1.0f},       {SPIN, 1, 1e20f},
        {VELOCITY, 1, 1e9f}, {PLACE, 1, 1e30f},        {0, 12, 0.0f},
        {0, 12, 2.0f},       {0, 1, -good[0]},
    };
    for (const auto& spoil : spoilt) {
        std::array<float, 23> state = good;
        std::fill_n(state.begin() + spoil.first, spoil.count, spoil.value);
        if (spoil.first == 0 && spoil.count == 1) // the x axis mirrored
            state[1] = -good[1], state[2] = -good[2];
        Receive(state);
        const std::vector<TMat44> before = BodyPoses(m);
        const float steer = m.steerAngle, torque = m.driveTorque;
        EXPECT_FALSE(m.ApplyState(true)) << spoil.first << " " << spoil.value;
        EXPECT_TRUE(Unmoved(before)) << spoil.first << " " << spoil.value;
        EXPECT_EQ(m.steerAngle, steer);
        EXPECT_EQ(m.driveTorque, torque);
    }
    m.stateMessage[0] = GAME_MESSAGE_CONTROL;
    EXPECT_FALSE(m.ApplyState(true));

    std::array<float, 23> poison = good;
    poison[PLACE] = NAN;
    Receive(poison);
    for (int frame = 0; frame < 60; ++frame) {
        RemoteFrame();
        m.ApplyState(false);
    }
    EXPECT_TRUE(AllFinite(m));

    std::array<float, 23> limit = StateOf(m);
    limit[STEER] = MOPED_STEER_LIMIT, limit[TORQUE] = MOPED_BOOST_POWER;
    Receive(limit);
    EXPECT_FALSE(m.ApplyState(true));
    EXPECT_NEAR(m.steerAngle, MOPED_STEER_LIMIT, 1e-6f);
    EXPECT_GE(m.riderFrame, 59);
    EXPECT_LE(m.riderFrame, 60);
}

// Fed what a player moped on the autopilot sends (its controls when they change, its state
// every 10th frame, each a frame late), a remote moped started elsewhere on the grid closes
// in and then keeps within 2 m of it (a frame at top speed is 0.25 m) at every state; left
// to its own physics it falls 3 m and more behind.
TEST_F(RemoteMopedTest, FollowsAPlayerMopedFromItsMessages)
{
    constexpr int FRAMES = 900, SETTLE_FRAMES = 120;
    struct Sent {
        bool hasControl = false, hasState = false;
        std::array<uint8_t, CONTROL_MESSAGE_SIZE> control;
        uint8_t state[MOPED_STATE_MESSAGE_SIZE];
        TVec4 position, forward;
    };
    std::vector<Sent> sent(FRAMES);
    sending = true;
    ASSERT_TRUE(StartMoped(TRACK_UK, 0)) << g_LastError;
    PlayerMoped& player = static_cast<PlayerMoped&>(*moped);
    player.Reset();
    Autopilot pilot;
    std::array<uint8_t, CONTROL_MESSAGE_SIZE> last = {};
    for (int frame = 0; frame < FRAMES; ++frame) {
        Sent& out = sent[frame];
        pilot.Press(player);
        player.ReadKeyboard(true);
        player.PackControlMessage(out.control.data());
        out.hasControl = frame == 0 || ControlMessagesDiffer(out.control.data(), last.data());
        last = out.control;
        player.Drive();
        StepWorld();
        player.UpdateRaceClock(MOPED_FRAME_MS);
        if ((out.hasState = frame % 10 == 0))
            player.PackStateMessage(out.state);
        out.position = player.position, out.forward = player.forward;
    }
    ASSERT_EQ(player.status, MOPEDSTATUS_NORMAL);
    EXPECT_GT(std::sqrt(LengthSquared3(sent.back().position - sent.front().position)), 60.0f);

    FreeMoped();
    sending = false;
    ASSERT_TRUE(StartMoped(TRACK_UK, 1)) << g_LastError;
    RemoteMoped& m = Remote();
    m.Reset();
    std::deque<std::array<uint8_t, CONTROL_MESSAGE_SIZE>> controls;
    bool pending = false;
    float firstGap = -1.0f, widestGap = 0.0f;
    for (int frame = 1; frame < FRAMES; ++frame) {
        const Sent& came = sent[frame - 1];
        if (came.hasControl)
            controls.push_back(came.control);
        if (!controls.empty()) {
            m.ApplyControlMessage(controls.front().data());
            controls.pop_front();
        }
        RemoteFrame();
        if (came.hasState)
            std::memcpy(m.stateMessage, came.state, MOPED_STATE_MESSAGE_SIZE);
        pending = (pending || came.hasState) && m.ApplyState(false);
        if (!came.hasState)
            continue;
        const float gap = std::sqrt(LengthSquared3(m.position - sent[frame].position));
        firstGap = firstGap < 0.0f ? gap : firstGap;
        if (frame < SETTLE_FRAMES)
            continue;
        widestGap = std::max(widestGap, gap);
        EXPECT_LT(gap, 2.0f) << "frame " << frame;
        EXPECT_GT(Dot3(m.forward, sent[frame].forward), 0.98f) << "frame " << frame;
    }
    EXPECT_GT(firstGap, 1.0f);
    EXPECT_TRUE(AllFinite(m));
    RecordProperty("widest_gap_mm", static_cast<int>(widestGap * 1000.0f));
}

// A moped whose bodies could not all be made is taken apart at once, giving its bodies
// back to the world, and is then neither pulled nor updated; Destroy may be repeated.
TEST_F(RemoteMopedTest, HalfMadeMopedIsDestroyedAndNotDriven)
{
    ASSERT_TRUE(StartRemote()) << g_LastError;
    PhysicsEngine small; // room for three of the six bodies
    const TVec4 gravity = Vec(0.0f, -9.81f, 0.0f);
    ASSERT_TRUE(small.Create(3, 0, 0, 2 * MOPED_GEOMETRY_COUNT, 0, MOPED_JOINT_COUNT, 3, 10, 0, 0, 0, &gravity));
    RemoteMoped half;
    const TVec4 start = moped->position;
    EXPECT_FALSE(half.Create(track.get(), &mopedModel, &small, &start));
    EXPECT_FALSE(half.IsComplete());
    EXPECT_TRUE(half.body == nullptr && half.frontTyre == nullptr && half.steeringJoint == nullptr &&
                half.engineSound == nullptr && half.model == nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(small.simulator->CreateRigidBody(), nullptr);
    const std::array<float, 23> state = StateOf(*moped);
    PackState(state, half.stateMessage);
    EXPECT_FALSE(half.ApplyState(true));
    half.UpdateRaceClock(MOPED_FRAME_MS);
    half.Destroy(&small);

    RemoteMoped& m = Remote();
    m.Release();
    m.Destroy(&physics);
    m.Destroy(&physics);
    EXPECT_FALSE(m.IsComplete());
    Receive(state);
    EXPECT_FALSE(m.ApplyState(true));
    m.UpdateRaceClock(MOPED_FRAME_MS);
}
