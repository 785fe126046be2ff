// The network race on UK Dirt Track with opponents fed in as the network
// handler feeds them: the grid, the controls and states, the standings, and
// what the race refuses.

#include "MopedTestKit.h"
#include "RaceTestKit.h"

#include "race/MultiplayerRace.h"

#include "audio/AudioListener.h"
#include "audio/AudioManager.h"
#include "backend/clock/Clock.h"
#include "backend/math/Vector.h"
#include "backend/sound/SoundTestHooks.h"
#include "physics/TSimulator.h"
#include "tracks/Track.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(MultiplayerRace& race)
{
    std::vector<std::string> lines;
    race.messages.ForEachLine([&](const MessageListEntry& entry) { lines.emplace_back(entry.text); });
    return lines;
}

float FlatDistance(const TVec4& a, const TrackStartPosition& b)
{
    return std::hypot(a.x - b.x, a.z - b.z);
}

std::vector<uint8_t> State(const Moped& moped, const TVec4& at, float steer = 0.0f, float torque = 0.0f)
{
    MopedStateMessage state;
    for (int i = 0; i < 16; ++i)
        state.world[i] = moped.world.row[i / 4][i % 4];
    state.world[12] = at.x, state.world[13] = at.y, state.world[14] = at.z;
    state.steerAngle = steer, state.driveTorque = torque;
    std::vector<uint8_t> bytes(MOPED_STATE_MESSAGE_SIZE);
    state.Pack(bytes.data());
    return bytes;
}

} // namespace

class MultiplayerRaceTest : public RaceTest {
protected:
    void TearDown() override
    {
        if (mp) {
            mp->Release();
            mp->Destroy();
            mp.reset();
        }
        RaceTest::TearDown();
    }

    bool Start(int32_t slot)
    {
        if (mp) {
            mp->Release();
            mp->Destroy();
        }
        mp = std::make_unique<MultiplayerRace>();
        mp->localJoinOrder = slot;
        return mp->Create(TRACK_UK);
    }

    void Step(int frames = 1)
    {
        for (int i = 0; i < frames; ++i) {
            backend::AdvanceManualClock(uint64_t(RACE_FRAME_MS) * 1000);
            mp->HandleInput();
            mp->Update();
            std::vector<int16_t> mix(353 * 2);
            backend::RenderSoundFrames(mix.data(), 353);
            GetAudioManager()->Update();
        }
    }

    // The count-down the host started, run to "go".
    void StepToGo()
    {
        for (int frames = 0; mp->phase == RACEPHASE_COUNTDOWN && frames < 1000; ++frames)
            Step();
        ASSERT_EQ(mp->phase, RACEPHASE_RACING);
    }

    Opponent* Record(uint32_t id)
    {
        for (auto& opponent : mp->opponents)
            if (opponent->playerId == id)
                return opponent.get();
        return nullptr;
    }

    const TrackStartPosition& Slot(int i) { return mp->track->trackData.startPositions[i]; }
    Race* ShownRace() override { return mp.get(); }

    std::unique_ptr<MultiplayerRace> mp;
};

// One moped per slot: a claim on a taken slot is refused. A departure moves
// nobody by itself; the grid laid out anew moves every moped named, the local
// one included, at once for the next arrival's judgement and on the next
// frame on the ground; once the race runs nobody moves. Only those on the
// grid at the start finish, and only once the race runs.
TEST_F(MultiplayerRaceTest, GridKeepsOneMopedPerSlotAndClosesUpOnlyWhileWaiting)
{
    ASSERT_TRUE(Start(2)) << g_LastError;
    ASSERT_GE(mp->track->trackData.startPositionCount, 6);
    EXPECT_EQ(mp->phase, RACEPHASE_WAITING);
    EXPECT_LT(FlatDistance(mp->playerMoped.position, Slot(2)), 0.5f);
    ASSERT_TRUE(mp->AddOpponent(10, "Ann", 0));
    ASSERT_TRUE(mp->AddOpponent(11, "Bob", 1));
    for (int32_t taken : {0, 1, 2})
        EXPECT_FALSE(mp->AddOpponent(uint32_t(30 + taken), "Forger", taken)) << taken;
    ASSERT_TRUE(mp->AddOpponent(12, "Cy", 3));
    // One who leaves before its moped is made never gets one.
    ASSERT_TRUE(mp->AddOpponent(13, "Dee", 4));
    mp->RemoveOpponent(13);
    Step(2);
    ASSERT_EQ(mp->opponents.size(), 3u);
    EXPECT_EQ(mp->localJoinOrder, 2) << "a departure behind ours moved us";
    for (uint32_t id : {10u, 11u, 12u})
        ASSERT_NE(Record(id)->moped, nullptr);
    EXPECT_LT(FlatDistance(Record(12)->moped->position, Slot(3)), 0.5f);

    const char* name = nullptr;
    EXPECT_FALSE(mp->CountFinish(11, 1000, &name)) << "not while waiting";
    mp->RemoveOpponent(11);
    EXPECT_EQ(mp->localJoinOrder, 2) << "a departure alone moved us";
    const GridSlot closedUp[] = {{10, 0}, {11, 5}, {12, 2}, {99, 4}};
    EXPECT_TRUE(mp->LayOutGrid(1, closedUp, std::size(closedUp)));
    EXPECT_FALSE(mp->LayOutGrid(1, closedUp, std::size(closedUp))) << "the local slot did not change";
    EXPECT_EQ(mp->localJoinOrder, 1) << "laid out before the next frame";
    EXPECT_EQ(Record(11)->joinOrder, 1) << "a player that left is not moved";
    EXPECT_FALSE(mp->AddOpponent(14, "New", 2)) << "Cy's slot now";
    ASSERT_TRUE(mp->AddOpponent(14, "New", 3));
    Step();
    EXPECT_EQ(Record(11), nullptr);
    EXPECT_LT(FlatDistance(mp->playerMoped.position, Slot(1)), 0.5f);
    EXPECT_EQ(Record(12)->joinOrder, 2);
    EXPECT_LT(FlatDistance(Record(12)->moped->position, Slot(2)), 0.5f);
    EXPECT_EQ(Record(10)->joinOrder, 0);
    EXPECT_LT(FlatDistance(Record(14)->moped->position, Slot(3)), 0.5f);

    mp->StartCountDown();
    ASSERT_TRUE(mp->AddOpponent(15, "AfterStart", 4));
    mp->RemoveOpponent(10);
    Step();
    EXPECT_EQ(mp->opponents.size(), 3u);
    EXPECT_EQ(mp->localJoinOrder, 1);
    EXPECT_EQ(Record(12)->joinOrder, 2);
    EXPECT_LT(FlatDistance(mp->playerMoped.position, Slot(1)), 0.5f);
    EXPECT_FALSE(mp->CountFinish(14, 1000, &name)) << "not during the count-down";
    StepToGo();
    const GridSlot late[] = {{12, 1}};
    EXPECT_FALSE(mp->LayOutGrid(0, late, std::size(late)));
    EXPECT_EQ(mp->localJoinOrder, 1) << "moved once the race runs";
    EXPECT_EQ(Record(12)->joinOrder, 2) << "moved once the race runs";
    mp->raceTimeMs = 60000;
    EXPECT_FALSE(mp->CountFinish(11, 59000, &name)) << "left before the start";
    EXPECT_FALSE(mp->CountFinish(15, 59000, &name)) << "not on the grid at the start";
    EXPECT_TRUE(mp->CountFinish(14, 59000, &name));
    EXPECT_STREQ(name, "New");
    // A finish counts up to the race clock and a sixteenth of it plus 5 s: 68,750 ms at 60 s.
    EXPECT_FALSE(mp->CountFinish(12, 68751, &name));
    EXPECT_TRUE(mp->CountFinish(12, 68750, &name));
}

// Queued controls play back one per frame, steering 3 keeping what was there; a control that says "recovering"
// makes the next state be taken whole, once.
TEST_F(MultiplayerRaceTest, ControlsOnePerFrameAndRecoveringForcesOneState)
{
    ASSERT_TRUE(Start(0)) << g_LastError;
    ASSERT_TRUE(mp->AddOpponent(10, "Ann", 1));
    Step();
    RemoteMoped* moped = Record(10)->moped.get();
    ASSERT_NE(moped, nullptr);
    const uint8_t bursts[4][CONTROL_MESSAGE_SIZE] = {
        {0, 1 | 1 << 2, 0, 0}, {0, 2, 0, 0}, {0, 3 | 3 << 2, 1, 0}, {0, 0, 0, 0}};
    ASSERT_TRUE(mp->QueueControlMessage(10, bursts[0]));
    Step();
    EXPECT_EQ(moped->throttle, 0) << "nothing is applied while waiting";
    mp->StartCountDown();
    Step();
    for (const auto& control : bursts)
        ASSERT_TRUE(mp->QueueControlMessage(10, control));
    const int32_t throttles[4] = {1, 2, 3, 0}, steerings[4] = {1, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        Step();
        EXPECT_EQ(moped->throttle, throttles[i]) << i;
        EXPECT_EQ(moped->steering, steerings[i]) << i;
        EXPECT_EQ(moped->boost, i == 2 ? 1u : 0u) << i;
    }
    EXPECT_TRUE(Record(10)->controlQueue.empty());

    const TVec4 start = moped->position;
    const TVec4 first = start + moped->forward * 2.0f + Vec(0.0f, 1.0f, 0.0f);
    const uint8_t recovering[CONTROL_MESSAGE_SIZE] = {0, 0, 0, 1};
    ASSERT_TRUE(mp->QueueControlMessage(10, recovering));
    ASSERT_TRUE(mp->StoreStateMessage(10, State(*moped, first).data()));
    Step();
    EXPECT_LT(Length3(moped->position - first), 1e-3f);
    const TVec4 second = first + moped->forward * 2.0f;
    ASSERT_TRUE(mp->StoreStateMessage(10, State(*moped, second).data()));
    Step();
    EXPECT_NEAR(Length3(moped->position - second), 2.0f * (1.0f - 0.06f), 0.02f);
}

// An opponent who completes the race here is announced once and comes before
// the local player, in "Position" too once its moped is gone; the race ends
// five seconds after the local finish.
TEST_F(MultiplayerRaceTest, StandingsRaceClockAndEnd)
{
    ASSERT_TRUE(Start(0)) << g_LastError;
    EXPECT_EQ(GetAudioManager()->GetListener()->GetRolloffFactor(), 0.5f);
    ASSERT_TRUE(mp->AddOpponent(10, "Ann", 1));
    Step();
    mp->StartCountDown();
    StepToGo();
    Step(10);
    EXPECT_EQ(mp->raceTimeMs, 11 * RACE_FRAME_MS) << "the clock runs from the frame of \"go\"";
    Record(10)->moped->progress.lap = RACE_LAP_COUNT;
    Step(2);
    EXPECT_EQ(mp->finishedOpponentCount, 1);
    EXPECT_EQ(Lines(*mp), std::vector<std::string>{"Ann has finished the race!"});
    // Its finished message takes the moped; the record keeps its place.
    mp->RemoveOpponent(10);
    Step();
    ASSERT_EQ(mp->opponents.size(), 1u);
    EXPECT_EQ(mp->opponents[0]->moped, nullptr);
    ASSERT_LT(mp->playerMoped.progress.lap, RACE_LAP_COUNT);
    EXPECT_TRUE(ShowsText(DrawNow(true), "2/2", 700.0f, 20.0f, 1.2f, {.spacing = 2.0f}));

    mp->playerMoped.progress.lap = RACE_LAP_COUNT;
    Step();
    EXPECT_EQ(mp->finishPosition, 2);
    int frames = 1;
    while (!mp->isOver && frames < 400) {
        Step();
        ++frames;
    }
    EXPECT_TRUE(mp->isOver);
    EXPECT_EQ(mp->nextGameState, RACE_NEXT_RESULTS);
    EXPECT_EQ(frames, 5000 / int(RACE_FRAME_MS) + 2);

    // The results screen keeps the clock running after the race is taken down.
    mp->Release();
    mp->Destroy();
    const uint32_t before = mp->raceTimeMs;
    backend::AdvanceManualClock(40 * 1000);
    mp->UpdateRaceTime();
    EXPECT_EQ(mp->raceTimeMs, before + 40);
}

// What comes from the network is refused when it cannot be applied safely.
TEST_F(MultiplayerRaceTest, RefusesWhatCannotBeAppliedSafely)
{
    ASSERT_TRUE(Start(0)) << g_LastError;
    EXPECT_FALSE(mp->AddOpponent(9, "Neg", -1));
    EXPECT_FALSE(mp->AddOpponent(9, "Far", 6));
    ASSERT_TRUE(mp->AddOpponent(10, "AVeryLongNameOfThirtyCharacter", 1));
    EXPECT_STREQ(Record(10)->name, "AVeryLongNameOfThir");
    EXPECT_FALSE(mp->AddOpponent(10, "Again", 2));
    EXPECT_EQ(mp->opponents.size(), 1u);
    for (uint32_t id = 11; id <= 14; ++id)
        ASSERT_TRUE(mp->AddOpponent(id, "More", int32_t(id - 9)));
    EXPECT_FALSE(mp->AddOpponent(15, "Sixth", 1));
    EXPECT_STREQ(mp->FindOpponentName(15), "OpponentNotFound");
    for (uint32_t id = 11; id <= 14; ++id)
        mp->RemoveOpponent(id);
    Step();
    ASSERT_NE(Record(10)->moped, nullptr);

    // States no moped can have.
    const TVec4 at = Record(10)->moped->position;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(mp->StoreStateMessage(10, State(*Record(10)->moped, Vec(nan, at.y, at.z)).data()));
    EXPECT_FALSE(mp->StoreStateMessage(10, State(*Record(10)->moped, at, 5.0f).data()));
    EXPECT_FALSE(mp->StoreStateMessage(10, State(*Record(10)->moped, at, 0.0f, 1e9f).data()));
    EXPECT_FALSE(Record(10)->stateReceived);
    EXPECT_TRUE(mp->StoreStateMessage(10, State(*Record(10)->moped, at, 0.7f, 14.0f).data()));

    // A moped that cannot be made whole is taken apart and its player left out.
    TSimulator* simulator = mp->physics.simulator;
    std::vector<TRigidBody*> taken;
    while (TRigidBody* body = simulator->CreateRigidBody())
        taken.push_back(body);
    ASSERT_TRUE(mp->AddOpponent(20, "Broken", 2));
    Step(2);
    EXPECT_EQ(Record(20), nullptr);
    EXPECT_EQ(mp->opponents.size(), 1u);
    for (TRigidBody* body : taken)
        simulator->FreeBody(body);
    ASSERT_TRUE(mp->AddOpponent(21, "Whole", 2));
    Step();
    ASSERT_NE(Record(21)->moped, nullptr);
    EXPECT_TRUE(Record(21)->moped->IsComplete());

    // After the race is taken down (twice) the list and the records refuse quietly.
    for (int round = 0; round < 2; ++round) {
        mp->Release();
        mp->Destroy();
    }
    EXPECT_FALSE(mp->messages.Add("late"));
    EXPECT_FALSE(mp->AddOpponent(30, "Late", 1));
    mp->RemoveOpponent(10);
    EXPECT_TRUE(mp->opponents.empty());
    EXPECT_EQ(mp->localJoinOrder, -1);
}

// Two mopeds pushed onto one spot, nearly one inside the other, as a grid that
// put two players on one slot left them: the knock throws them apart, and no
// body's pose ever stops being a number.
TEST_F(MultiplayerRaceTest, MopedsOnOneSpotComeApartWithFinitePoses)
{
    const auto finite = [](const Moped& moped) {
        for (const TMat44& pose : BodyPoses(moped))
            for (const TVec4& row : pose.row)
                if (!IsFinite3(row) || !std::isfinite(row.w))
                    return false;
        return true;
    };
    ASSERT_TRUE(Start(0)) << g_LastError;
    ASSERT_TRUE(mp->AddOpponent(10, "Ann", 1));
    Step();
    mp->StartCountDown();
    StepToGo();
    PlayerMoped& player = mp->playerMoped;
    RemoteMoped& other = *Record(10)->moped;
    const TVec4 slot = Vec(Slot(0).x, Slot(0).y, Slot(0).z, 1.0f);
    for (const auto& [offset, yaw] : {std::pair{0.1f, 0.5f}, {0.05f, 3.14f}, {0.3f, 0.0f}}) {
        player.SetPosition(&slot);
        const TVec4 spot = player.position + Vec(offset, 0.0f, 0.0f);
        const float angles[3] = {0.0f, yaw, 0.0f};
        other.PlaceBodies(&spot, angles);
        for (int frame = 0; frame < 120; ++frame) {
            Step();
            ASSERT_TRUE(finite(player) && finite(other)) << offset << " " << yaw << " frame " << frame;
        }
        EXPECT_GT(Length3(other.position - player.position), 1.0f) << offset << " " << yaw;
    }
}

// An opponent's name shows over its moped while it is nearer to the camera than
// 50 units, and not from there on.
TEST_F(MultiplayerRaceTest, NameShowsOverAnOpponentNearerThanFiftyUnits)
{
    ASSERT_TRUE(Start(0)) << g_LastError;
    ASSERT_TRUE(mp->AddOpponent(10, "Ann", 1));
    Step();
    Opponent& ann = *Record(10);
    ASSERT_NE(ann.moped, nullptr);
    const Camera& camera = mp->camera;
    // The pixels that the name changes with the moped `distance` straight ahead of the camera.
    const auto nameMarks = [&](float distance) {
        const backend::Vector3 at = camera.eye + camera.forward * distance;
        ann.moped->position = Vec(at.x, at.y, at.z, 1.0f);
        const std::vector<uint32_t> named = DrawNow(true);
        ann.name[0] = '\0';
        const std::vector<uint32_t> unnamed = DrawNow(true);
        std::strcpy(ann.name, "Ann");
        return Footprint(named, unnamed).count;
    };
    EXPECT_GT(nameMarks(49.9f), 10);
    EXPECT_EQ(nameMarks(50.1f), 0);
}
