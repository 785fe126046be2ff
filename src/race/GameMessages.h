#pragma once
// The game's own messages between the peers of a network race, and the data a
// host advertises with its session and each player attaches to itself. On the
// wire everything is packed and little-endian; the kind is the low four bits
// of byte 0, the high four bits carry nothing (we send 0, receivers ignore
// them). Every Unpack refuses fewer bytes than its layout needs and leaves the
// message as it was.

#include <cstddef>
#include <cstdint>

enum GameMessageKind : uint8_t {
    GAME_MESSAGE_CONTROL = 0,
    GAME_MESSAGE_MOPED_STATE = 1,
    GAME_MESSAGE_PLAYER_JOINED = 2,
    GAME_MESSAGE_RACE_START = 3,
    GAME_MESSAGE_TIME_SYNC = 4,
    GAME_MESSAGE_FINISHED = 5,
};
constexpr uint32_t GAME_MESSAGE_KIND_COUNT = 6;

constexpr size_t CONTROL_MESSAGE_SIZE = 4;
constexpr size_t MOPED_STATE_MESSAGE_SIZE = 93;
constexpr size_t PLAYER_JOINED_MESSAGE_SIZE = 1;
constexpr size_t RACE_START_MESSAGE_SIZE = 1;
constexpr size_t TIME_SYNC_MESSAGE_SIZE = 5;
constexpr size_t FINISHED_MESSAGE_SIZE = 5;
constexpr size_t SESSION_APP_DATA_SIZE = 5;
constexpr size_t PEER_DATA_SIZE = 4;
constexpr size_t GAME_MESSAGE_MAX_SIZE = MOPED_STATE_MESSAGE_SIZE;

// The kind of a received message; false when it is empty, names no message
// (6 to 15) or is shorter than its kind's size.
bool ReadGameMessageKind(const uint8_t* bytes, size_t size, GameMessageKind* kind);
size_t GameMessageSize(GameMessageKind kind);

// Controls of a rider, sent whenever they change.
struct ControlMessage {
    uint8_t throttle = 0;   // ThrottleState, 0..3
    uint8_t steering = 0;   // 0 none, 1 left, 2 right; 3 from a peer means "unchanged"
    uint8_t boost = 0;      // 0 or 1
    uint8_t recovering = 0; // 0 or 1

    void Pack(uint8_t bytes[CONTROL_MESSAGE_SIZE]) const;
    // Byte 2 and 3 read as 1 when not 0.
    bool Unpack(const uint8_t* bytes, size_t size);
};

// Whether two packed control messages ask for different things: byte 2,
// byte 3 or the low four bits of byte 1.
bool ControlMessagesDiffer(const uint8_t a[CONTROL_MESSAGE_SIZE], const uint8_t b[CONTROL_MESSAGE_SIZE]);

// Where a moped is and how it moves, sent every 10th frame.
struct MopedStateMessage {
    float world[16] = {};   // world matrix row by row: right, up, forward, position
    float velocity[4] = {}; // as the physics gives it, w included
    float rearTyreSpin = 0; // rear tyre's angular momentum along the moped's right axis
    float driveTorque = 0;
    float steerAngle = 0;

    void Pack(uint8_t bytes[MOPED_STATE_MESSAGE_SIZE]) const;
    // Also refuses a NaN or infinite value, which would poison the physics.
    bool Unpack(const uint8_t* bytes, size_t size);
};

// A joiner has loaded the race.
struct PlayerJoinedMessage {
    void Pack(uint8_t bytes[PLAYER_JOINED_MESSAGE_SIZE]) const;
    bool Unpack(const uint8_t* bytes, size_t size);
};

// The host has started the race.
struct RaceStartMessage {
    void Pack(uint8_t bytes[RACE_START_MESSAGE_SIZE]) const;
    bool Unpack(const uint8_t* bytes, size_t size);
};

// The host's race clock.
struct TimeSyncMessage {
    uint32_t raceTimeMs = 0;

    void Pack(uint8_t bytes[TIME_SYNC_MESSAGE_SIZE]) const;
    bool Unpack(const uint8_t* bytes, size_t size);
};

// A player's total race time, sent once it has finished.
struct FinishedMessage {
    uint32_t totalTimeMs = 0;

    void Pack(uint8_t bytes[FINISHED_MESSAGE_SIZE]) const;
    bool Unpack(const uint8_t* bytes, size_t size);
};

// What the host advertises with its session.
struct SessionAppData {
    uint8_t joinable = 0; // not 0 while players may join
    uint32_t trackId = 0;

    void Pack(uint8_t bytes[SESSION_APP_DATA_SIZE]) const;
    // Also refuses a track that does not exist.
    bool Unpack(const uint8_t* bytes, size_t size);
};

// What each player attaches to itself: the start slot it claims. The host
// admits a joiner only on the next free slot; the grid puts every player on
// the slot the host's list gives it, whatever it claims.
struct PeerData {
    uint32_t joinOrder = 0;

    void Pack(uint8_t bytes[PEER_DATA_SIZE]) const;
    bool Unpack(const uint8_t* bytes, size_t size);
};
