// Any bytes as a received game message and as the session and player records:
// every decoder must stay inside the bytes it was given, agree with the kind
// reader, and what it accepts must pack back to the same bytes.

#include "race/GameMessages.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Unpacks, and when accepted checks that the kind reader agrees and that
// packing gives back the input bytes: byte 0 as its kind only for a game
// message, the rest only when `exact` (a control message packs its flags as 0/1).
template <typename Message, size_t N>
bool RoundTrip(const uint8_t* data, size_t size, Message& message, bool isGameMessage, bool exact = true)
{
    if (!message.Unpack(data, size))
        return false;
    Require(size >= N);
    if (isGameMessage) {
        GameMessageKind kind;
        Require(ReadGameMessageKind(data, size, &kind) && GameMessageSize(kind) == N);
    }
    uint8_t packed[N];
    message.Pack(packed);
    Require(packed[0] == (isGameMessage ? data[0] & 0x0F : data[0]));
    Require(!exact || std::memcmp(packed + 1, data + 1, N - 1) == 0);
    Message again;
    Require(again.Unpack(packed, N));
    uint8_t repacked[N];
    again.Pack(repacked);
    Require(std::memcmp(packed, repacked, N) == 0);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GameMessageKind kind;
    const bool known = ReadGameMessageKind(data, size, &kind);
    if (known)
        Require(kind < GAME_MESSAGE_KIND_COUNT && size >= GameMessageSize(kind));

    ControlMessage control;
    if (RoundTrip<ControlMessage, CONTROL_MESSAGE_SIZE>(data, size, control, true, false)) {
        uint8_t packed[CONTROL_MESSAGE_SIZE];
        control.Pack(packed);
        Require((packed[1] & 0x0F) == (data[1] & 0x0F) && packed[2] == (data[2] != 0) && packed[3] == (data[3] != 0));
        Require(ControlMessagesDiffer(packed, data) == (data[2] > 1 || data[3] > 1));
    }
    MopedStateMessage state;
    if (RoundTrip<MopedStateMessage, MOPED_STATE_MESSAGE_SIZE>(data, size, state, true))
        Require(std::isfinite(state.steerAngle) && std::isfinite(state.world[12]));
    PlayerJoinedMessage joined;
    RoundTrip<PlayerJoinedMessage, PLAYER_JOINED_MESSAGE_SIZE>(data, size, joined, true);
    RaceStartMessage start;
    RoundTrip<RaceStartMessage, RACE_START_MESSAGE_SIZE>(data, size, start, true);
    TimeSyncMessage timeSync;
    RoundTrip<TimeSyncMessage, TIME_SYNC_MESSAGE_SIZE>(data, size, timeSync, true);
    FinishedMessage finished;
    RoundTrip<FinishedMessage, FINISHED_MESSAGE_SIZE>(data, size, finished, true);
    SessionAppData session;
    RoundTrip<SessionAppData, SESSION_APP_DATA_SIZE>(data, size, session, false);
    PeerData peer;
    RoundTrip<PeerData, PEER_DATA_SIZE>(data, size, peer, false);

    // Exactly one message kind accepts a known message; none accepts an unknown one.
    const int accepted = (control.Unpack(data, size) ? 1 : 0) + (state.Unpack(data, size) ? 1 : 0) +
                         (joined.Unpack(data, size) ? 1 : 0) + (start.Unpack(data, size) ? 1 : 0) +
                         (timeSync.Unpack(data, size) ? 1 : 0) + (finished.Unpack(data, size) ? 1 : 0);
    Require(accepted <= 1 && (accepted == 1 || !known || kind == GAME_MESSAGE_MOPED_STATE));
    return 0;
}
