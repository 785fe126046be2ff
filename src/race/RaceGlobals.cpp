#include "race/RaceGlobals.h"

std::recursive_mutex g_RaceLock;

SinglePlayerRace* g_SinglePlayerRace = nullptr;
MultiplayerRace* g_MultiplayerRace = nullptr;

std::vector<RaceRecord> g_RaceRecords;
int32_t g_LocalResultIndex = -1;
uint32_t g_SelectedTrackId = 0;

std::atomic<uint32_t> g_LocalPlayerId{0};
bool g_IsHost = false;
bool g_RaceStartReceived = false;
bool g_PlayerLeft = false;

uint32_t g_StateSendCountdown = STATE_SEND_FRAMES;
uint32_t g_TimeSyncSendCountdown = TIME_SYNC_SEND_FRAMES;
