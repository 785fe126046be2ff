#pragma once
// The race of a network game: the local race plus up to five other players,
// each an Opponent whose moped is driven by the controls it sends and pulled
// toward the states it reports. The race waits on the grid until the host
// starts it, shares the host's clock, shows places, names and the messages of
// the session, and ends in the results list.
//
// The front end and the network handler call every operation under
// g_RaceLock. The handler only adds, marks and queues; records and mopeds are
// made and freed by the frames, so a frame never sees one vanish.

#include "race/FinishLedger.h"
#include "race/MessageList.h"
#include "race/Opponent.h"
#include "race/Race.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The last start-grid slot of a session of six.
constexpr int32_t MAX_JOIN_ORDER = 5;
constexpr uint32_t OPPONENT_MARKER_COLOURS[MAX_OPPONENTS] = {0xFFFF0000u, 0xFF00FF00u, 0xFFFFFF00u, 0xFFFF00FFu,
                                                             0xFF00FFFFu};
// Controls queued per opponent while racing: about an eighth of a second of
// play at one change per frame, so a moped never obeys stale controls.
constexpr size_t CONTROL_QUEUE_LIMIT = 8;
constexpr uint32_t LOCAL_MARKER_COLOUR = 0xFF0000FFu;

// A player's start slot: its place in the host's list of the players present.
struct GridSlot {
    uint32_t playerId = 0;
    int32_t joinOrder = -1;
};
// Names are drawn over opponents nearer than 50 units.
constexpr float NAME_LABEL_RANGE_SQ = 2500.0f;

class MultiplayerRace : public Race {
public:
    MultiplayerRace();
    // Frees memory only: the owner calls Release and Destroy first.
    ~MultiplayerRace() override;

    // On the grid at slot localJoinOrder, waiting for the host's start.
    void Reset() override;
    void HandleInput() override;
    void Update() override;
    bool Restore() override;
    void Release() override;
    // Every opponent and moped, the message list, then the race; safe when repeated.
    void Destroy() override;
    void Render() override;
    void RenderHud(BitmapFont* font) override;
    void DriveMopeds() override;
    void UpdateRaceClock(uint32_t ms) override;
    int32_t GetRigidBodyCount() override;
    int32_t GetGeometryCount() override;
    int32_t GetConstraintCount() override;
    int32_t GetConstraintSetCount() override;

    void StartCountDown();
    // The race clock on the results screen, where Update no longer runs.
    void UpdateRaceTime();
    // After a device reset, so that the time away counts on no recovery clock
    // and does not cut the lap message short; the race clock stays the host's.
    void ResetMopedTimers();

    // Whether `slot` is a slot of a session's grid (and of the loaded track's).
    bool IsValidJoinOrder(int32_t slot) const;
    // Whether `slot` is a slot of the grid that neither the local player
    // nor an opponent present stands on.
    bool IsFreeSlot(int32_t slot) const;
    // A record for a player, its moped made by the next frame, and (before the
    // start) its entry for the results. False when the id is already listed,
    // the slot is not free, five players are listed or have raced, or memory
    // runs out.
    bool AddOpponent(uint32_t playerId, const char* name, int32_t slot);
    // Marks the player's record; the next frame frees its moped. Nobody
    // moves: slots change only as LayOutGrid lays out the host's list.
    void RemoveOpponent(uint32_t playerId);
    // The grid as the host orders it, until the race runs: the local player
    // and every opponent listed take their slots (a negative one leaves a
    // player where it is), their mopeds moving next frame. True when the
    // local slot changed.
    bool LayOutGrid(int32_t newLocalSlot, const GridSlot* slots, size_t count);
    // False for an unknown player. While the race waits only the newest is
    // kept; while it runs the oldest make way beyond CONTROL_QUEUE_LIMIT.
    bool QueueControlMessage(uint32_t playerId, const uint8_t message[CONTROL_MESSAGE_SIZE]);
    // False for an unknown player, and for a state with a value no moped can
    // have (not finite, steering or torque out of range), which is dropped.
    bool StoreStateMessage(uint32_t playerId, const uint8_t message[MOPED_STATE_MESSAGE_SIZE]);
    // The record's name, or "OpponentNotFound".
    const char* FindOpponentName(uint32_t playerId) const;
    // Whether a player's finish goes into the results: only once the race runs,
    // from a player on the grid at the start (see FinishLedger), judged against
    // raceTimeMs; *name is then the player's name.
    bool CountFinish(uint32_t playerId, uint32_t timeMs, const char** name);

    std::vector<std::unique_ptr<Opponent>> opponents;
    MessageList messages;
    // The join order is the start slot, for this player as for each opponent.
    int32_t localJoinOrder = -1;
    int32_t finishedOpponentCount = 0;
    int32_t finishPosition = -1;
    uint8_t lastControlMessage[CONTROL_MESSAGE_SIZE] = {};
    bool controlMessageChanged = false;
    uint32_t raceTimeMs = 0;
    // Everybody who raced here; outlives Destroy for the results screen.
    FinishLedger finishers;

private:
    bool localMoved = false; // the local slot changed; the moped moves next frame

    Opponent* Find(uint32_t playerId) const;
    // Where start slot `slot` is; slot 0's place for a slot not on the grid.
    TVec4 StartPlace(int32_t slot) const;
    // Makes the moped of `opponent`; false when it could not be made whole.
    bool CreateMoped(Opponent& opponent);
    // The mopeds whose slots LayOutGrid changed move there.
    void MoveToNewSlots();
    void PlaceListener(bool still);
};
