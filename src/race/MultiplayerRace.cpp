#include "race/MultiplayerRace.h"

#include "tracks/Track.h"

#include "audio/AudioListener.h"
#include "audio/AudioManager.h"
#include "engine/platform/Log.h"
#include "physics/TSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

using backend::Vector3;

namespace {

// Six mopeds' bodies (as the original sizing has it), geometries, joints and joint sets.
constexpr int32_t MOPEDS_RIGID_BODIES = 276;
constexpr int32_t MOPEDS_GEOMETRIES = 6 * MOPED_GEOMETRY_COUNT;
constexpr int32_t MOPEDS_CONSTRAINTS = 6 * MOPED_JOINT_COUNT;
constexpr int32_t MOPEDS_CONSTRAINT_SETS = 18;
constexpr uint32_t MULTIPLAYER_END_DELAY_MS = 5000;

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

uint32_t FrameMs(const Timer& timer)
{
    return static_cast<uint32_t>(timer.deltaSeconds * 1000.0);
}

} // namespace

MultiplayerRace::MultiplayerRace()
{
    opponents.reserve(MAX_OPPONENTS);
    messages.Init();
}

MultiplayerRace::~MultiplayerRace() = default;

bool MultiplayerRace::IsValidJoinOrder(int32_t slot) const
{
    if (slot < 0 || slot > MAX_JOIN_ORDER)
        return false;
    // A joining player (its own slot set) learns of the others before its
    // track loads; their slots are checked again when their mopeds are made.
    // A race taken down has neither.
    if (track == nullptr)
        return localJoinOrder >= 0;
    return slot < track->trackData.startPositionCount;
}

TVec4 MultiplayerRace::StartPlace(int32_t slot) const
{
    const TrackStartPosition& start = track->trackData.startPositions[IsValidJoinOrder(slot) ? slot : 0];
    return Vec(start.x, start.y, start.z, 1.0f);
}

void MultiplayerRace::PlaceListener(bool still)
{
    AudioListener* listener = GetAudioManager()->GetListener();
    if (listener == nullptr)
        return;
    if (still) {
        const Vector3 zero = {0.0f, 0.0f, 0.0f};
        listener->SetRolloffFactor(0.5f);
        listener->SetVelocity(&zero);
    }
    listener->SetPosition(&camera.eye);
    listener->SetOrientation(&camera.forward, &camera.up);
}

void MultiplayerRace::Reset()
{
    const TVec4 place = StartPlace(localJoinOrder);
    playerMoped.SetPosition(&place);
    playerMoped.PlaceChaseCamera(0, &camera);
    playerMoped.Reset();
    const Vector3 where = ToVector3(playerMoped.position);
    track->Reset(&where);
    physics.simulator->Advance(RACE_PHYSICS_STEP, 1, nullptr);

    phase = RACEPHASE_WAITING;
    raceTimeMs = 0;
    isOver = false;
    nextGameState = 0;
    msSinceFinish = 0;
    frameTimer.Init(false);
    finishedOpponentCount = 0;
    finishPosition = -1;
    lapMessageTimer.Init(true, false, 0, RACE_LAP_MESSAGE_SECONDS, 0);
    std::strcpy(lapMessageText, "ERROR");

    PlaceListener(true);
    track->StartSounds();
    playerMoped.StartEngineSound();
}

void MultiplayerRace::StartCountDown()
{
    phase = RACEPHASE_COUNTDOWN;
    countDown.Reset();
}

void MultiplayerRace::UpdateRaceTime()
{
    if (phase <= RACEPHASE_COUNTDOWN)
        return;
    frameTimer.Tick();
    raceTimeMs += FrameMs(frameTimer);
}

void MultiplayerRace::ResetMopedTimers()
{
    playerMoped.recoveryTimer.Resync();
    lapMessageTimer.Resync();
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped)
            opponent->moped->recoveryTimer.Resync();
}

void MultiplayerRace::HandleInput()
{
    Race::HandleInput();
    if (phase < RACEPHASE_COUNTDOWN) {
        controlMessageChanged = false;
        return;
    }
    uint8_t packed[CONTROL_MESSAGE_SIZE];
    playerMoped.PackControlMessage(packed);
    controlMessageChanged = ControlMessagesDiffer(packed, lastControlMessage);
    if (controlMessageChanged)
        std::memcpy(lastControlMessage, packed, sizeof lastControlMessage);

    // A burst of controls is played back one per frame.
    for (const std::unique_ptr<Opponent>& opponent : opponents) {
        if (!opponent->moped || opponent->controlQueue.empty())
            continue;
        const std::array<uint8_t, CONTROL_MESSAGE_SIZE> message = opponent->controlQueue.front();
        opponent->controlQueue.pop_front();
        if (message[3] != 0)
            opponent->forceNextState = true;
        opponent->moped->ApplyControlMessage(message.data());
    }
}

bool MultiplayerRace::CreateMoped(Opponent& opponent)
{
    std::unique_ptr<RemoteMoped> moped(new (std::nothrow) RemoteMoped);
    const TVec4 place = StartPlace(opponent.joinOrder);
    // A moped that could not be made whole has been taken apart by Create and is never driven.
    if (!moped || !moped->Create(track, &mopedModel, &physics, &place))
        return false;
    opponent.moped = std::move(moped);
    return true;
}

bool MultiplayerRace::LayOutGrid(int32_t newLocalSlot, const GridSlot* slots, size_t count)
{
    if (phase >= RACEPHASE_RACING)
        return false;
    for (size_t i = 0; i < count; ++i) {
        Opponent* opponent = Find(slots[i].playerId);
        if (opponent == nullptr || opponent->removed || slots[i].joinOrder < 0 ||
            opponent->joinOrder == slots[i].joinOrder)
            continue;
        opponent->joinOrder = slots[i].joinOrder;
        opponent->moved = true;
    }
    if (newLocalSlot < 0 || newLocalSlot == localJoinOrder)
        return false;
    localJoinOrder = newLocalSlot;
    localMoved = true;
    return true;
}

void MultiplayerRace::MoveToNewSlots()
{
    if (localMoved) {
        localMoved = false;
        const TVec4 place = StartPlace(localJoinOrder);
        playerMoped.SetPosition(&place);
        playerMoped.PlaceChaseCamera(0, &camera);
        const Vector3 where = ToVector3(playerMoped.position);
        track->Update(&where);
        PlaceListener(false);
    }
    for (const std::unique_ptr<Opponent>& opponent : opponents) {
        if (!opponent->moved)
            continue;
        opponent->moved = false;
        if (opponent->moped) {
            const TVec4 place = StartPlace(opponent->joinOrder);
            opponent->moped->SetPosition(&place);
        }
    }
}

void MultiplayerRace::Update()
{
    for (size_t i = 0; i < opponents.size();) {
        Opponent& opponent = *opponents[i];
        if (opponent.removed) {
            if (opponent.moped) {
                opponent.moped->Release();
                opponent.moped->Destroy(&physics);
                opponent.moped.reset();
            }
            opponent.controlQueue.clear();
            if (opponent.finished) {
                ++i;
                continue;
            }
            opponents.erase(opponents.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (!opponent.moped && !opponent.finished &&
            (!IsValidJoinOrder(opponent.joinOrder) || !CreateMoped(opponent))) {
            // The player stays in the host's list, so the others' slots still count it.
            LogFormat("\nThe moped of %s could not be made: it is left out of the race.", opponent.name);
            finishers.Withdraw(opponent.playerId);
            opponents.erase(opponents.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        ++i;
    }
    MoveToNewSlots();

    Race::Update();

    const uint32_t ms = FrameMs(frameTimer);
    if (phase > RACEPHASE_COUNTDOWN)
        raceTimeMs += ms;
    messages.Update(ms);

    if (playerMoped.progress.lap == RACE_LAP_COUNT) {
        if (finishPosition == -1)
            finishPosition = finishedOpponentCount + 1;
        if (msSinceFinish >= MULTIPLAYER_END_DELAY_MS) {
            isOver = true;
            nextGameState = RACE_NEXT_RESULTS;
        }
    }
}

void MultiplayerRace::DriveMopeds()
{
    Race::DriveMopeds();
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped)
            opponent->moped->Drive();
}

void MultiplayerRace::UpdateRaceClock(uint32_t ms)
{
    Race::UpdateRaceClock(ms);
    for (const std::unique_ptr<Opponent>& opponent : opponents) {
        RemoteMoped* moped = opponent->moped.get();
        if (moped == nullptr)
            continue;
        moped->UpdateRaceClock(ms);
        if (opponent->stateReceived) {
            std::memcpy(moped->stateMessage, opponent->lastState, sizeof moped->stateMessage);
            opponent->stateReceived = false;
        }
        if (opponent->stateToApply) {
            opponent->stateToApply = moped->ApplyState(opponent->forceNextState);
            opponent->forceNextState = false;
        }
        if (!opponent->finished && moped->progress.lap == RACE_LAP_COUNT) {
            char text[MESSAGE_TEXT_SIZE];
            std::snprintf(text, sizeof text, "%s has finished the race!", opponent->name);
            messages.Add(text);
            opponent->finished = true;
            ++finishedOpponentCount;
        }
    }
}

bool MultiplayerRace::Restore()
{
    if (!Race::Restore())
        return false;
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped && !opponent->moped->Restore())
            return false;
    return true;
}

void MultiplayerRace::Release()
{
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped)
            opponent->moped->Release();
    Race::Release();
}

void MultiplayerRace::Destroy()
{
    for (const std::unique_ptr<Opponent>& opponent : opponents) {
        if (opponent->moped) {
            opponent->moped->Destroy(&physics);
            opponent->moped.reset();
        }
        opponent->controlQueue.clear();
    }
    opponents.clear();
    messages.Destroy();
    localJoinOrder = -1;
    Race::Destroy();
}

Opponent* MultiplayerRace::Find(uint32_t playerId) const
{
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->playerId == playerId)
            return opponent.get();
    return nullptr;
}

bool MultiplayerRace::IsFreeSlot(int32_t slot) const
{
    if (!IsValidJoinOrder(slot) || slot == localJoinOrder)
        return false;
    return std::none_of(opponents.begin(), opponents.end(),
                        [&](const std::unique_ptr<Opponent>& o) { return !o->removed && o->joinOrder == slot; });
}

bool MultiplayerRace::AddOpponent(uint32_t playerId, const char* name, int32_t slot)
{
    // A player announced twice (by its arrival and by its joined message) keeps one record.
    if (Find(playerId) != nullptr || !IsFreeSlot(slot))
        return false;
    const auto present = std::count_if(opponents.begin(), opponents.end(),
                                       [](const std::unique_ptr<Opponent>& o) { return !o->removed; });
    if (present >= MAX_OPPONENTS)
        return false;
    // One who turns up after the start is shown but did not race from the grid.
    if (phase < RACEPHASE_COUNTDOWN && !finishers.Enter(playerId, name))
        return false;
    std::unique_ptr<Opponent> opponent(new (std::nothrow) Opponent);
    if (!opponent) {
        finishers.Withdraw(playerId);
        return false;
    }
    if (name != nullptr)
        std::strncpy(opponent->name, name, sizeof opponent->name - 1);
    opponent->playerId = playerId;
    opponent->joinOrder = slot;
    try {
        opponents.push_back(std::move(opponent));
    } catch (const std::bad_alloc&) {
        finishers.Withdraw(playerId);
        return false;
    }
    return true;
}

void MultiplayerRace::RemoveOpponent(uint32_t playerId)
{
    Opponent* opponent = Find(playerId);
    if (opponent == nullptr || opponent->removed)
        return;
    opponent->removed = true;
    // Before the start the player did not race.
    if (phase < RACEPHASE_COUNTDOWN && !opponent->finished)
        finishers.Withdraw(playerId);
}

bool MultiplayerRace::QueueControlMessage(uint32_t playerId, const uint8_t message[CONTROL_MESSAGE_SIZE])
{
    Opponent* opponent = Find(playerId);
    if (opponent == nullptr)
        return false;
    std::array<uint8_t, CONTROL_MESSAGE_SIZE> copy;
    std::copy_n(message, CONTROL_MESSAGE_SIZE, copy.begin());
    // Nothing is played back before the start: only the newest controls count then.
    const size_t limit = phase < RACEPHASE_COUNTDOWN ? 1 : CONTROL_QUEUE_LIMIT;
    while (opponent->controlQueue.size() >= limit) {
        // A recovery among the dropped still snaps the next state into place.
        if (opponent->controlQueue.front()[3] != 0)
            opponent->forceNextState = true;
        opponent->controlQueue.pop_front();
    }
    try {
        opponent->controlQueue.push_back(copy);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool MultiplayerRace::StoreStateMessage(uint32_t playerId, const uint8_t message[MOPED_STATE_MESSAGE_SIZE])
{
    Opponent* opponent = Find(playerId);
    MopedStateMessage state;
    if (opponent == nullptr || !state.Unpack(message, MOPED_STATE_MESSAGE_SIZE))
        return false;
    if (std::fabs(state.steerAngle) > MOPED_STEER_LIMIT || !(state.driveTorque >= 0.0f) ||
        state.driveTorque > MOPED_BOOST_POWER)
        return false;
    std::memcpy(opponent->lastState, message, MOPED_STATE_MESSAGE_SIZE);
    opponent->stateReceived = true;
    opponent->stateToApply = true;
    return true;
}

const char* MultiplayerRace::FindOpponentName(uint32_t playerId) const
{
    const Opponent* opponent = Find(playerId);
    return opponent != nullptr ? opponent->name : "OpponentNotFound";
}

bool MultiplayerRace::CountFinish(uint32_t playerId, uint32_t timeMs, const char** name)
{
    if (phase != RACEPHASE_RACING && phase != RACEPHASE_FINISHED)
        return false;
    return finishers.Count(playerId, timeMs, raceTimeMs, name);
}

int32_t MultiplayerRace::GetRigidBodyCount()
{
    return track->GetRigidBodyCount() + MOPEDS_RIGID_BODIES;
}

int32_t MultiplayerRace::GetGeometryCount()
{
    return track->GetGeometryCount() + MOPEDS_GEOMETRIES;
}

int32_t MultiplayerRace::GetConstraintCount()
{
    return MOPEDS_CONSTRAINTS;
}

int32_t MultiplayerRace::GetConstraintSetCount()
{
    return MOPEDS_CONSTRAINT_SETS;
}
