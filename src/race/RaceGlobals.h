#pragma once
// The process-wide objects that the front end, the races and the network
// message handler share. g_RaceLock guards the network race, the results list
// and the network flags between the main thread and the network threads.

#include "race/RaceRecord.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class MultiplayerRace;
class SinglePlayerRace;

extern std::recursive_mutex g_RaceLock;

// Null while no race of that kind exists.
extern SinglePlayerRace* g_SinglePlayerRace;
extern MultiplayerRace* g_MultiplayerRace;

// Best times of the track just raced; in a network game, the results list.
extern std::vector<RaceRecord> g_RaceRecords;
// The local player's row of the results list, -1 for none.
extern int32_t g_LocalResultIndex;
// The track chosen on the host's menu.
extern uint32_t g_SelectedTrackId;

// The local network player id, 0 until known; written without the lock.
extern std::atomic<uint32_t> g_LocalPlayerId;
extern bool g_IsHost;
extern bool g_RaceStartReceived;
extern bool g_PlayerLeft;

// Frames until the next state and time-sync messages.
constexpr uint32_t STATE_SEND_FRAMES = 10;
constexpr uint32_t TIME_SYNC_SEND_FRAMES = 15;
extern uint32_t g_StateSendCountdown;
extern uint32_t g_TimeSyncSendCountdown;
