#include "MopedTestKit.h"
#include "RaceTestKit.h"

#include "race/PlayerMoped.h"
#include "tracks/Track.h"

#include "backend/window/KeyCodes.h"
#include "engine/platform/InputSystem.h"
#include "engine/scene/Camera.h"
#include "physics/TRigidBody.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

using namespace backend;

namespace {

constexpr float PI = 3.14159265f;
// The recovery count-down in 16 ms frames.
constexpr int COUNT_DOWN_FRAMES = 500;
float Heading(float x, float z)
{
    return std::atan2(x, z);
}

// b - a wrapped into (-pi, pi].
float AngleFrom(float a, float b)
{
    return std::remainder(b - a, 2.0f * PI);
}

bool IsFinite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The camera's eye lies `distance` behind the moped along its heading, or ahead when negative.
void ExpectEyeBehindMoped(const Moped& moped, const Camera& camera, float distance, float tolerance)
{
    const float dx = moped.position.x - camera.eye.x, dz = moped.position.z - camera.eye.z;
    const float fx = moped.forward.x, fz = moped.forward.z, f = std::hypot(fx, fz);
    EXPECT_NEAR(std::hypot(dx, dz), std::fabs(distance), 1e-3f);
    EXPECT_NEAR((dx * fx + dz * fz) / f, distance, tolerance);
}

} // namespace

TEST(PlayerMopedKeys, ThrottleSteeringAndBoostFollowTheKeysInTheirOrder)
{
    PlayerMoped p;
    Hold({DIK_UP, DIK_LCONTROL, DIK_LEFT});
    p.ReadKeyboard(false);
    EXPECT_EQ(p.throttle, THROTTLE_NONE);
    EXPECT_EQ(p.boost, 0u);
    EXPECT_EQ(p.steering, STEER_LEFT);

    struct Case {
        std::initializer_list<uint8_t> keys;
        int throttle, steering;
    };
    for (const Case& c : {Case{{DIK_SPACE, DIK_DOWN, DIK_UP}, THROTTLE_HANDBRAKE, STEER_NONE},
                          Case{{DIK_DOWN, DIK_UP, DIK_RIGHT}, THROTTLE_BRAKE, STEER_RIGHT},
                          Case{{DIK_UP, DIK_LEFT, DIK_RIGHT}, THROTTLE_ACCELERATE, STEER_LEFT},
                          Case{{DIK_A, DIK_B}, THROTTLE_NONE, STEER_NONE}}) {
        Hold(c.keys);
        p.ReadKeyboard(true);
        EXPECT_EQ(p.throttle, c.throttle);
        EXPECT_EQ(p.steering, c.steering);
    }
    // Only bit 7 means down.
    Hold({});
    g_InputSystem.keys[DIK_UP] = 0x7F;
    p.ReadKeyboard(true);
    EXPECT_EQ(p.throttle, THROTTLE_NONE);

    // Boost starts only above a reserve of 1.0, and a running one stays on while the key is held.
    p.boostAmount = 1.0f;
    Hold({DIK_LCONTROL});
    p.ReadKeyboard(true);
    EXPECT_EQ(p.boost, 0u);
    p.boostAmount = 1.5f;
    Hold({DIK_RCONTROL});
    p.ReadKeyboard(true);
    EXPECT_EQ(p.boost, 1u);
    p.boostAmount = 0.0f;
    p.ReadKeyboard(true);
    EXPECT_EQ(p.boost, 1u);
    Hold({});
    p.ReadKeyboard(true);
    EXPECT_EQ(p.boost, 0u);

    // A keyboard that could not be read holds no key.
    p.boostAmount = 50.0f;
    p.boost = 1;
    Hold({DIK_UP, DIK_LEFT, DIK_LCONTROL});
    g_InputSystem.keyboardValid = false;
    p.ReadKeyboard(true);
    EXPECT_EQ(p.throttle, THROTTLE_NONE);
    EXPECT_EQ(p.steering, STEER_NONE);
    EXPECT_EQ(p.boost, 0u);
    Hold({});
    g_InputSystem.keyboardValid = false;
}

TEST(PlayerMopedClocks, HostTimeMovesBothClocksButNeverWrapsTheLap)
{
    PlayerMoped p;
    struct Case {
        uint32_t total, lap, host, wantLap;
    };
    for (const Case& c : {Case{5200, 1000, 5000, 800}, Case{5200, 150, 5000, 150}, Case{5200, 200, 5000, 200},
                          Case{5000, 800, 6000, 1800}, Case{4294967000u, 100, 5, 100}}) {
        p.totalMs = c.total;
        p.lapMs = c.lap;
        p.SyncRaceTime(c.host);
        EXPECT_EQ(p.lapMs, c.wantLap) << c.total << " " << c.lap << " " << c.host;
        EXPECT_EQ(p.totalMs, c.host);
    }
    p.progress.lap = RACE_LAP_COUNT;
    p.SyncRaceTime(99999);
    EXPECT_EQ(p.totalMs, 5u);
    p.lastLapMs = 7;
    p.Reset();
    EXPECT_EQ(p.lastLapMs + p.lapMs + p.totalMs, 0u);
}

TEST(PlayerMopedMessages, ControlsPackIntoTheirBits)
{
    PlayerMoped p;
    uint8_t bytes[CONTROL_MESSAGE_SIZE];
    std::memset(bytes, 0xFF, sizeof bytes);
    p.throttle = THROTTLE_HANDBRAKE;
    p.steering = STEER_RIGHT;
    p.boost = 1;
    p.status = MOPEDSTATUS_RECOVERING;
    p.PackControlMessage(bytes);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x0B);
    EXPECT_EQ(bytes[2], 1);
    EXPECT_EQ(bytes[3], 1);
    // Only a recovery under way counts, not one pending.
    p.throttle = THROTTLE_BRAKE;
    p.steering = STEER_LEFT;
    p.boost = 0;
    p.status = MOPEDSTATUS_RECOVERING | MOPEDSTATUS_RECOVER_REQUEST;
    p.PackControlMessage(bytes);
    EXPECT_EQ(bytes[1], 0x06);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
}

class PlayerMopedTest : public MopedTest {
protected:
    void SetUp() override
    {
        MopedTest::SetUp();
        Hold({});
    }

    std::unique_ptr<Moped> NewMoped() override { return std::make_unique<PlayerMoped>(); }
    PlayerMoped& Player() { return static_cast<PlayerMoped&>(*moped); }

    // The moped at start place 0, its clocks reset and the camera placed behind it, as a race starts.
    bool StartPlayer(TrackId id)
    {
        if (!StartMoped(id))
            return false;
        const Vector3 eye = {0.0f, 0.0f, 0.0f}, angles = {0.0f, 0.0f, 0.0f};
        camera.Set(PI / 4, 800.0f / 600.0f, 0.5f, 1000.0f, &eye, &angles);
        Player().PlaceChaseCamera(0, &camera);
        Player().Reset();
        return true;
    }

    Camera camera;
};

// Placing: a moped heading along +x puts the camera at yaw pi/2, 4.3 behind
// along -x and 1.8 above the ground, pitched at the aim point; looking back,
// 3 pi/2 and 4.3 ahead. Following: the eye climbs at most 0.12 a frame and
// takes small steps at once; with a steering key the camera lags 0.2 behind,
// never turns the wrong way, and without one it catches up exactly.
TEST_F(PlayerMopedTest, ChaseCameraPlacesLagsRealignsAndSmoothsHeight)
{
    ASSERT_TRUE(StartPlayer(TRACK_UK)) << g_LastError;
    PlayerMoped& p = Player();
    p.forward = Vec(1.0f, 0.0f, 0.0f);
    p.PlaceChaseCamera(0, &camera);
    EXPECT_NEAR(p.cameraYaw, PI / 2, 1e-6f);
    EXPECT_NEAR(camera.eye.x, p.position.x - 4.3f, 1e-4f);
    EXPECT_NEAR(camera.eye.z, p.position.z, 1e-4f);
    const float aim = p.position.y + 0.7f;
    const float ground = GroundAt(camera.eye.x, camera.eye.z) + 1.8f;
    EXPECT_NEAR(camera.eye.y, ground - aim < -1.8f ? p.position.y + 1.8f : ground, 1e-4f);
    EXPECT_NEAR(camera.angles.x, -std::atan((camera.eye.y - aim) / 4.3f), 1e-6f);
    EXPECT_GT(camera.forward.x, 0.9f);
    p.PlaceChaseCamera(1, &camera);
    EXPECT_EQ(p.lookBack, 1u);
    EXPECT_NEAR(p.cameraYaw, 3 * PI / 2, 1e-6f);
    EXPECT_NEAR(camera.eye.x, p.position.x + 4.3f, 1e-4f);
    EXPECT_LT(camera.forward.x, -0.9f);

    p.PlaceChaseCamera(0, &camera);
    const float target = camera.eye.y;
    camera.eye.y = target - 1.0f;
    p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(camera.eye.y, target - 0.88f, 1e-5f);
    EXPECT_NEAR(camera.angles.x, -std::atan((camera.eye.y - aim) / 4.3f), 1e-6f);
    camera.eye.y = target - 0.015f;
    p.UpdateChaseCamera(&camera);
    EXPECT_EQ(camera.eye.y, target);

    // Heading +z, then the moped turns 0.5 to the right (or left): far off, the camera catches up fast.
    auto turnedAway = [&](float turn = 0.5f) {
        p.forward = Vec(0.0f, 0.0f, 1.0f);
        p.PlaceChaseCamera(0, &camera);
        EXPECT_EQ(p.cameraYaw, 0.0f);
        p.forward = Vec(std::sin(turn), 0.0f, std::cos(turn));
    };
    turnedAway(-0.5f);
    p.steering = STEER_LEFT;
    p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(p.cameraYaw, 2 * PI - 0.017f, 1e-5f);
    turnedAway();
    p.steering = STEER_NONE;
    p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(p.cameraYaw, 0.4f * (1.0f - std::cos(0.5f)) - 0.025f + 0.017f, 1e-5f);
    EXPECT_EQ(p.cameraRealign, 1);

    turnedAway();
    p.steering = STEER_RIGHT;
    p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(p.cameraYaw, 0.017f, 1e-6f);
    for (int frame = 0; frame < 40; ++frame)
        p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(p.cameraYaw, 0.3f, 1e-3f);
    p.steering = STEER_LEFT;
    p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(p.cameraYaw, 0.3f, 1e-3f);
    // Near, it closes in ever more slowly, then takes the rest at once.
    p.steering = STEER_NONE;
    p.UpdateChaseCamera(&camera);
    EXPECT_NEAR(p.cameraYaw, 0.3f + 0.4f * (1.0f - std::cos(0.2f)), 1e-3f);
    int frames = 0;
    while (p.cameraRealign != 0 && ++frames < 10000)
        p.UpdateChaseCamera(&camera);
    EXPECT_LT(frames, 10000);
    EXPECT_NEAR(p.cameraYaw, 0.5f, 1e-3f);
    ExpectEyeBehindMoped(p, camera, 4.3f, 1e-3f);
}

// Every heading, a moped pointing straight up or down and one facing the camera
// exactly: the yaw stays a number within one turn and the eye follows.
TEST_F(PlayerMopedTest, ChaseCameraNeverTurnsToNaN)
{
    ASSERT_TRUE(StartPlayer(TRACK_UK)) << g_LastError;
    PlayerMoped& p = Player();
    auto check = [&](const char* what, int i) {
        ASSERT_TRUE(std::isfinite(p.cameraYaw)) << what << " " << i;
        ASSERT_GE(p.cameraYaw, 0.0f) << what << " " << i;
        ASSERT_LE(p.cameraYaw, 2 * PI) << what << " " << i;
        ASSERT_TRUE(IsFinite(camera.eye) && IsFinite(camera.forward)) << what << " " << i;
    };
    for (int i = 0; i < 20000; ++i) {
        const float a = 0.000314159f * float(i), scale = i % 3 == 0 ? 1.0f : 0.37f;
        p.forward = Vec(std::sin(a) * scale, 0.6f, std::cos(a) * scale);
        p.PlaceChaseCamera(uint32_t(i % 2), &camera);
        check("place", i);
        for (int steer : {STEER_NONE, STEER_LEFT, STEER_RIGHT}) {
            p.steering = steer;
            p.UpdateChaseCamera(&camera);
            check("follow", i);
        }
    }

    p.steering = STEER_NONE;
    p.forward = Vec(0.0f, 0.0f, 1.0f);
    p.PlaceChaseCamera(0, &camera);
    for (const TVec4& vertical : {Vec(0.0f, 1.0f, 0.0f), Vec(0.0f, -1.0f, 0.0f), Vec(1e-9f, 1.0f, -1e-9f)}) {
        p.forward = vertical;
        p.UpdateChaseCamera(&camera);
        EXPECT_EQ(p.cameraYaw, 0.0f);
        p.PlaceChaseCamera(1, &camera);
        EXPECT_NEAR(p.cameraYaw, PI, 1e-6f);
        p.PlaceChaseCamera(0, &camera);
        EXPECT_NEAR(p.cameraYaw, 0.0f, 1e-6f);
        check("vertical", 0);
    }
    // Straight at the camera: it comes round all the same.
    p.forward = Vec(0.0f, 0.0f, -1.0f);
    int frames = 0;
    do {
        p.UpdateChaseCamera(&camera);
    } while (p.cameraRealign != 0 && ++frames < 10000);
    EXPECT_NEAR(p.cameraYaw, PI, 1e-3f);
    check("opposite", 0);
}

// The player's moped in a single-player race, driven by the race's own frames.
class PlayerMopedRace : public RaceTest {
protected:
    // The race on `id`, through its count-down.
    bool StartRacing(TrackId id)
    {
        if (!StartRace(id))
            return false;
        while (race->phase == RACEPHASE_COUNTDOWN && frame < 1000)
            Frame(false);
        return race->phase == RACEPHASE_RACING;
    }

    void RaceFrame(int frames = 1)
    {
        for (int i = 0; i < frames; ++i)
            Frame(false);
    }

    void ExpectEyeBehind(float distance, float tolerance)
    {
        ExpectEyeBehindMoped(race->playerMoped, race->camera, distance, tolerance);
    }
};

// R asks to be put back, from the count-down on: the count runs 8 s, frame for
// frame alike with a pause and a device reset in the middle; then the moped
// stands on the road with the camera snapped straight behind it, and the state
// message carries the pose.
TEST_F(PlayerMopedRace, RPutsTheMopedBackAndTheStateMessageCarriesIt)
{
    ASSERT_TRUE(StartRace(TRACK_FINLAND)) << g_LastError;
    PlayerMoped* moped = &race->playerMoped;
    Hold({DIK_R});
    RaceFrame();
    ASSERT_EQ(moped->status, MOPEDSTATUS_RECOVER_REQUEST | MOPEDSTATUS_MESSAGE);
    // Riding off from "go".
    Hold({DIK_UP});
    int frames = 0;
    while (moped->status != MOPEDSTATUS_RECOVERING && frames < COUNT_DOWN_FRAMES + 10) {
        if (frames == 100)
            Away(5000);
        if (frames == 200)
            LoseAndRestoreDevice(2500);
        RaceFrame();
        ++frames;
    }
    ASSERT_EQ(moped->status, MOPEDSTATUS_RECOVERING);
    EXPECT_EQ(frames, COUNT_DOWN_FRAMES);
    EXPECT_NE(moped->progress.currentSegment, nullptr);
    EXPECT_EQ(moped->recoverRequest, 0);
    // PlaceChaseCamera read the moped's pose as the frame left it.
    ExpectEyeBehind(4.3f, 1e-3f);
    EXPECT_NEAR(AngleFrom(Heading(moped->forward.x, moped->forward.z), moped->cameraYaw), 0.0f, 1e-4f);

    Hold({DIK_UP});
    RaceFrame(20);
    uint8_t bytes[MOPED_STATE_MESSAGE_SIZE];
    moped->PackStateMessage(bytes);
    MopedStateMessage state;
    ASSERT_TRUE(state.Unpack(bytes, sizeof bytes));
    EXPECT_EQ(std::memcmp(state.world, &moped->world, sizeof state.world), 0);
    EXPECT_EQ(std::memcmp(state.velocity, &moped->velocity, sizeof state.velocity), 0);
    EXPECT_EQ(state.rearTyreSpin, Dot3(moped->rearTyre->GetAngularMomentum(), moped->right));
    EXPECT_GT(state.rearTyreSpin, 1.0f);
    EXPECT_EQ(state.driveTorque, moped->driveTorque);
    EXPECT_EQ(state.steerAngle, moped->steerAngle);
}

// On the physics: standing still, then upside down, the camera stays behind
// the moped, and B turns it round to look back from ahead until released.
TEST_F(PlayerMopedRace, ChaseCameraBehindAStillOrUpsideDownMopedAndLookingBack)
{
    ASSERT_TRUE(StartRacing(TRACK_UK)) << g_LastError;
    PlayerMoped* moped = &race->playerMoped;
    RaceFrame(300);
    ExpectEyeBehind(4.3f, 0.05f);
    EXPECT_LT(moped->speed, 0.5f);

    const float heading = Heading(moped->forward.x, moped->forward.z);
    Vector3 ground = {moped->position.x, 0.0f, moped->position.z};
    race->track->terrain.SnapToGroundXZ(&ground, 1.0f);
    const TVec4 point = Vec(ground.x, ground.y, ground.z, 1.0f);
    const float angles[3] = {0.0f, heading, PI};
    moped->PlaceBodies(&point, angles);
    RaceFrame(120);
    ASSERT_LT(moped->up.y, -0.5f);
    EXPECT_LT(moped->speed, 0.5f);
    ExpectEyeBehind(4.3f, 0.05f);

    Hold({DIK_B});
    RaceFrame();
    EXPECT_EQ(moped->lookBack, 1u);
    ExpectEyeBehind(-4.3f, 0.05f);
    RaceFrame(60);
    ExpectEyeBehind(-4.3f, 0.05f);
    EXPECT_TRUE(IsFinite(race->camera.eye) && IsFinite(race->camera.forward));
    Hold({});
    RaceFrame();
    EXPECT_EQ(moped->lookBack, 0u);
    ExpectEyeBehind(4.3f, 0.05f);
}
