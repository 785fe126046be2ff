#include "network/NetworkMessageHandler.h"

#include "network/InsertRaceResult.h"
#include "network/NetworkPeer.h"
#include "network/PlayerDirectory.h"

#include "race/GameMessages.h"
#include "race/MultiplayerRace.h"
#include "race/RaceGlobals.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

using backend::NetMessage;
using backend::NetMessageType;
using backend::NetPlayerInfo;

namespace {

class PeerDirectory final : public PlayerDirectory {
public:
    bool GetRemotePlayerInfo(uint32_t player, NetPlayerInfo* info) override
    {
        return g_NetworkPeer.GetRemotePlayerInfo(player, info);
    }
    bool GetConnectionInfo(uint32_t player, uint32_t* roundTripLatencyMs) override
    {
        return g_NetworkPeer.GetConnectionInfo(player, roundTripLatencyMs);
    }
    bool OnEnumHostsResponse(const NetMessage& response) override
    {
        return g_NetworkPeer.OnEnumHostsResponse(response);
    }
};

struct PlayerName {
    char text[RACE_RECORD_NAME_SIZE] = {};
};

// Names are cut to 19 characters, whatever the session says.
PlayerName NameOf(const NetPlayerInfo& info)
{
    PlayerName name;
    std::strncpy(name.text, info.name.c_str(), sizeof name.text - 1);
    return name;
}

// The start slot a player claims in its data; false unless that is exactly a PeerData.
bool JoinOrderOf(const NetPlayerInfo& info, int32_t* joinOrder)
{
    PeerData data;
    if (info.data.size() != PEER_DATA_SIZE || !data.Unpack(info.data.data(), info.data.size()))
        return false;
    *joinOrder = static_cast<int32_t>(data.joinOrder);
    return true;
}

// The start slot is the host's word, not the player's claim: the number of
// players before it in the host's one list of the players present, in the
// order the host admitted them. Every machine counts that same list, so all
// machines agree on every slot and no two players present share one.
int32_t SlotOf(const NetPlayerInfo& info)
{
    return static_cast<int32_t>(std::min<uint32_t>(info.playersBefore, INT32_MAX));
}

// A new opponent with its "connected" line; a slot above the local one is left to the joined message.
void AddOpponent(uint32_t playerId, const NetPlayerInfo& info, bool onlyUpToLocalSlot)
{
    const int32_t slot = SlotOf(info);
    const PlayerName name = NameOf(info);
    char text[MESSAGE_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%s connected", name.text);
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr || (onlyUpToLocalSlot && slot > race->localJoinOrder))
        return;
    if (race->AddOpponent(playerId, name.text, slot))
        race->messages.Add(text);
}

// The grid laid out again from the host's order: every player's slot, the
// local one's too, is its place among the players the host holds present.
// A player that left (or whose link broke here) while the host still holds
// it keeps its slot empty.
void LayOutGrid(PlayerDirectory& players)
{
    GridSlot slots[MAX_OPPONENTS + 1];
    size_t count = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        const MultiplayerRace* race = g_MultiplayerRace;
        if (race == nullptr || race->phase >= RACEPHASE_RACING)
            return;
        for (const std::unique_ptr<Opponent>& opponent : race->opponents)
            if (!opponent->removed && count < std::size(slots))
                slots[count++].playerId = opponent->playerId;
    }
    NetPlayerInfo info;
    for (size_t i = 0; i < count; ++i)
        if (players.GetRemotePlayerInfo(slots[i].playerId, &info))
            slots[i].joinOrder = SlotOf(info);
    const uint32_t localId = g_LocalPlayerId;
    int32_t localJoinOrder = -1;
    if (localId != 0 && players.GetRemotePlayerInfo(localId, &info))
        localJoinOrder = SlotOf(info);
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    // The local player's data is published again with its new slot.
    if (race != nullptr && race->LayOutGrid(localJoinOrder, slots, count))
        g_PlayerLeft = true;
}

void OnCreatePlayer(const NetMessage& message, PlayerDirectory& players)
{
    NetPlayerInfo info;
    if (!players.GetRemotePlayerInfo(message.playerId, &info))
        return;
    if (info.flags & backend::NET_PLAYER_LOCAL) {
        g_LocalPlayerId = message.playerId;
        LayOutGrid(players);
        return;
    }
    // Players who joined after this one are added by their joined message.
    AddOpponent(message.playerId, info, true);
}

void OnDestroyPlayer(const NetMessage& message)
{
    if (message.playerId == g_LocalPlayerId)
        return;
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return;
    char text[MESSAGE_TEXT_SIZE];
    const char* format = message.reason == backend::NET_DESTROY_CONNECTION_LOST ? "%s disconnected (connection lost)"
                                                                                : "%s disconnected";
    std::snprintf(text, sizeof text, format, race->FindOpponentName(message.playerId));
    race->RemoveOpponent(message.playerId);
    race->messages.Add(text);
    g_PlayerLeft = true;
}

void OnHostMigrate(const NetMessage& message, PlayerDirectory& players)
{
    NetPlayerInfo info;
    if (!players.GetRemotePlayerInfo(message.playerId, &info))
        return;
    const bool local = (info.flags & backend::NET_PLAYER_LOCAL) != 0;
    char text[MESSAGE_TEXT_SIZE];
    if (local)
        std::snprintf(text, sizeof text, "Host migrated! You are the new host.");
    else
        std::snprintf(text, sizeof text, "Host migrated! %s is the new host.", NameOf(info).text);
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race == nullptr)
        return;
    if (local)
        g_IsHost = true;
    race->messages.Add(text);
}

void OnTimeSync(const NetMessage& message, PlayerDirectory& players)
{
    TimeSyncMessage sync;
    uint32_t roundTrip = 0;
    if (!sync.Unpack(message.data, message.size) || !players.GetConnectionInfo(message.playerId, &roundTrip))
        return;
    // Half the round trip, rounded, is how old the host's time is on arrival.
    const uint32_t time = static_cast<uint32_t>(roundTrip * 0.5 + 0.5) + sync.raceTimeMs;
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    if (race != nullptr && race->phase > RACEPHASE_COUNTDOWN)
        race->playerMoped.SyncRaceTime(time);
}

// A finish counts once per player who raced here, with a time the race clock allows.
void OnFinished(const NetMessage& message)
{
    FinishedMessage finished;
    if (!finished.Unpack(message.data, message.size))
        return;
    std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
    MultiplayerRace* race = g_MultiplayerRace;
    const char* name = nullptr;
    if (race == nullptr || !race->CountFinish(message.playerId, finished.totalTimeMs, &name))
        return;
    InsertRaceResult(name, finished.totalTimeMs, false);
    race->RemoveOpponent(message.playerId);
}

void OnReceive(const NetMessage& message, PlayerDirectory& players)
{
    GameMessageKind kind;
    if (message.data == nullptr || !ReadGameMessageKind(message.data, message.size, &kind))
        return;
    switch (kind) {
    case GAME_MESSAGE_CONTROL: {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        if (g_MultiplayerRace != nullptr)
            g_MultiplayerRace->QueueControlMessage(message.playerId, message.data);
        break;
    }
    case GAME_MESSAGE_MOPED_STATE: {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        if (g_MultiplayerRace != nullptr)
            g_MultiplayerRace->StoreStateMessage(message.playerId, message.data);
        break;
    }
    case GAME_MESSAGE_PLAYER_JOINED: {
        NetPlayerInfo info;
        if (players.GetRemotePlayerInfo(message.playerId, &info) && !(info.flags & backend::NET_PLAYER_LOCAL))
            AddOpponent(message.playerId, info, false);
        break;
    }
    case GAME_MESSAGE_RACE_START: {
        std::lock_guard<std::recursive_mutex> lock(g_RaceLock);
        g_RaceStartReceived = true;
        break;
    }
    case GAME_MESSAGE_TIME_SYNC:
        OnTimeSync(message, players);
        break;
    case GAME_MESSAGE_FINISHED:
        OnFinished(message);
        break;
    }
}

} // namespace

bool AdmitJoiner(const NetPlayerInfo& joiner, uint32_t playersPresent)
{
    int32_t joinOrder = 0;
    return JoinOrderOf(joiner, &joinOrder) && joinOrder >= 0 && uint32_t(joinOrder) == playersPresent;
}

bool HandleNetworkMessage(const NetMessage& message)
{
    PeerDirectory players;
    return HandleNetworkMessage(message, players);
}

bool HandleNetworkMessage(const NetMessage& message, PlayerDirectory& players)
{
    switch (message.type) {
    case NetMessageType::CREATE_PLAYER:
        OnCreatePlayer(message, players);
        break;
    case NetMessageType::DESTROY_PLAYER:
        OnDestroyPlayer(message);
        break;
    case NetMessageType::ORDER_CHANGED:
        LayOutGrid(players);
        break;
    case NetMessageType::ENUM_HOSTS_RESPONSE:
        return players.OnEnumHostsResponse(message);
    case NetMessageType::HOST_MIGRATE:
        OnHostMigrate(message, players);
        break;
    case NetMessageType::RECEIVE:
        OnReceive(message, players);
        break;
    }
    return true;
}
