#pragma once
// What the network message handler asks of the session about its players:
// name, data and flags, the round trip, and where a host's answer goes. The
// game's handler asks g_NetworkPeer.

#include "backend/net/NetSession.h"

#include <cstdint>

class PlayerDirectory {
public:
    virtual ~PlayerDirectory() = default;
    virtual bool GetRemotePlayerInfo(uint32_t player, backend::NetPlayerInfo* info) = 0;
    virtual bool GetConnectionInfo(uint32_t player, uint32_t* roundTripLatencyMs) = 0;
    virtual bool OnEnumHostsResponse(const backend::NetMessage& response) = 0;
};
