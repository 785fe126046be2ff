#pragma once
// The handler of every session message of a network game, called on the
// session's worker thread: players arriving and leaving, host migration, the
// hosts found, and the six game messages, applied to g_MultiplayerRace, the
// results list and the network flags under g_RaceLock. Received bytes are
// checked before use: a message shorter than its kind, of no known kind, or
// with values no game sends changes nothing, and a finish counts only once
// per player who raced, with a time the race clock allows.

#include "backend/net/NetSession.h"

class PlayerDirectory;

// The handler given to NetworkPeer::Init; it asks g_NetworkPeer about players.
// False only for a host's answer that was not taken.
bool HandleNetworkMessage(const backend::NetMessage& message);
// The same, asking `players`.
bool HandleNetworkMessage(const backend::NetMessage& message, PlayerDirectory& players);

// The host's word on a joiner, given to NetworkPeer::SetAdmissionCheck: its
// data is exactly a PeerData whose join order is the next slot (the number of
// players present). It runs on the session's I/O thread and takes no lock of
// the game. Every machine, the joiner's own included, puts a player on the
// slot of its place in the host's order of admission among the players
// present (NetPlayerInfo::playersBefore), not on the slot its data names.
bool AdmitJoiner(const backend::NetPlayerInfo& joiner, uint32_t playersPresent);
