// A race's life around its failures and interruptions: the world it builds, a
// track that does not exist, tearing down twice, a pause in the count-down and
// a lost device in the middle of the race.

#include "RaceTestKit.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/window/KeyCodes.h"
#include "engine/platform/RenderDevice.h"
#include "physics/TSimulator.h"

namespace {

class RaceLifecycle : public RaceTest {};

// The world a race builds: gravity 9.81 down, friction and restitution of the
// six materials, and crash calls only for the moped's parts against the moped
// body and the track objects' materials, never the ground. A race on a track
// that does not exist, and one that ran, tear down twice and give all back.
TEST_F(RaceLifecycle, RaceBuildsItsWorldAndFailedOrFinishedRacesTearDownTwice)
{
    const uint32_t liveBefore = g_RenderDevice.device->GetLiveResourceCount();
    race = std::make_unique<SinglePlayerRace>();
    EXPECT_FALSE(race->Create(10));
    EXPECT_NE(g_LastError.find("Corrupt track ID!"), std::string::npos) << g_LastError;
    for (int round = 0; round < 2; ++round) {
        race->Release();
        race->Destroy();
    }
    race.reset();

    ASSERT_TRUE(StartRace(TRACK_UK)) << g_LastError;
    EXPECT_EQ(race->physics.reportError, &ReportError);
    TSimulator& world = *race->physics.simulator;
    EXPECT_FLOAT_EQ(world.GetGravityMagnitude(), 9.81f);
    const TVec4 down = world.GetGravityDirection();
    EXPECT_TRUE(down.x == 0.0f && down.z == 0.0f);
    EXPECT_FLOAT_EQ(down.y, -1.0f);
    const float expected[7][2] = {{0, 0}, {4.0f, 0}, {18.0f, 0}, {10.0f, 0}, {12.0f, 0}, {10.0f, 0.2f}, {1.0f, 0}};
    for (int i = 1; i <= 6; ++i) {
        float friction = 0, restitution = 0, density = 0;
        ASSERT_TRUE(world.GetMaterial(i, &friction, &restitution, &density));
        EXPECT_EQ(friction, expected[i][0]) << i;
        EXPECT_EQ(restitution, expected[i][1]) << i;
    }
    const TCollisionTable* table = world.GetCollisionTable();
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) {
            auto crashGroup = [](int g) { return g == 1 || g == 2 || g == 6; };
            auto hitGroup = [](int g) { return g == 1 || g == 3 || g == 4 || g == 5; };
            const bool crash = (crashGroup(a) && hitGroup(b)) || (crashGroup(b) && hitGroup(a));
            EXPECT_EQ(table->Get(a, b), crash ? 3u : 1u) << a << ", " << b;
        }
    EXPECT_EQ(world.SetCollisionCallback(Race::OnCollision), &Race::OnCollision);
    EXPECT_NE(g_CrashSound, nullptr);
    Frame();
    for (int round = 0; round < 2; ++round) {
        race->Release();
        race->Destroy();
    }
    EXPECT_EQ(race->track, nullptr);
    EXPECT_EQ(race->physics.simulator, nullptr);
    EXPECT_EQ(g_CrashSound, nullptr);
    EXPECT_EQ(race->newLapSound, nullptr);
    // What the device still has bound stays alive until unbound.
    backend::GpuDevice* device = g_RenderDevice.device;
    for (uint32_t stage = 0; stage < backend::GPU_STAGE_COUNT; ++stage)
        device->SetTexture(stage, nullptr);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    EXPECT_EQ(device->GetLiveResourceCount(), liveBefore);
    race.reset();
}

// A pause in the count-down does not shorten the pending second; a device
// lost while racing is released and restored, draws the same picture, and the
// time spent in the reset counts on no clock.
TEST_F(RaceLifecycle, PauseAndDeviceLossCountNoTimeAway)
{
    ASSERT_TRUE(StartRace(TRACK_UK)) << g_LastError;
    while (frame < 100)
        FastFrame();
    Away(5000);
    while (race->phase == RACEPHASE_COUNTDOWN && frame < 1000)
        FastFrame();
    EXPECT_EQ(frame, 378);

    Press(backend::DIK_UP, true);
    while (frame < 378 + 120)
        FastFrame();
    PlayerMoped& moped = race->playerMoped;
    const uint32_t lapMs = moped.lapMs, totalMs = moped.totalMs;
    EXPECT_EQ(totalMs, 121u * RACE_FRAME_MS);
    const std::vector<uint32_t> before = DrawNow(true);

    LoseAndRestoreDevice(2500);
    EXPECT_EQ(DrawNow(true), before);

    Frame();
    EXPECT_EQ(moped.lapMs, lapMs + RACE_FRAME_MS);
    EXPECT_EQ(moped.totalMs, totalMs + RACE_FRAME_MS);
    EXPECT_EQ(race->phase, RACEPHASE_RACING);
    EXPECT_GT(moped.speed, 1.0f);
}

} // namespace
