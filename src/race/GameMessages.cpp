#include "race/GameMessages.h"

#include "tracks/TrackTable.h"

#include <bit>
#include <cmath>

namespace {

// Byte offsets of the moped state message.
constexpr size_t STATE_WORLD_OFFSET = 1;
constexpr size_t STATE_VELOCITY_OFFSET = STATE_WORLD_OFFSET + 16 * 4;
constexpr size_t STATE_SPIN_OFFSET = STATE_VELOCITY_OFFSET + 4 * 4;
constexpr size_t STATE_TORQUE_OFFSET = STATE_SPIN_OFFSET + 4;
constexpr size_t STATE_STEER_OFFSET = STATE_TORQUE_OFFSET + 4;

static_assert(STATE_VELOCITY_OFFSET == 65 && STATE_SPIN_OFFSET == 81 && STATE_TORQUE_OFFSET == 85 &&
              STATE_STEER_OFFSET == 89);
static_assert(STATE_STEER_OFFSET + 4 == MOPED_STATE_MESSAGE_SIZE);
static_assert(CONTROL_MESSAGE_SIZE == 4 && PLAYER_JOINED_MESSAGE_SIZE == 1 && RACE_START_MESSAGE_SIZE == 1);
static_assert(TIME_SYNC_MESSAGE_SIZE == 1 + 4 && FINISHED_MESSAGE_SIZE == 1 + 4);
static_assert(SESSION_APP_DATA_SIZE == 1 + 4 && PEER_DATA_SIZE == 4);

constexpr size_t KIND_SIZES[GAME_MESSAGE_KIND_COUNT] = {
    CONTROL_MESSAGE_SIZE,    MOPED_STATE_MESSAGE_SIZE, PLAYER_JOINED_MESSAGE_SIZE,
    RACE_START_MESSAGE_SIZE, TIME_SYNC_MESSAGE_SIZE,   FINISHED_MESSAGE_SIZE,
};

void PutU32(uint8_t* bytes, uint32_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t GetU32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void PutF32(uint8_t* bytes, float value)
{
    PutU32(bytes, std::bit_cast<uint32_t>(value));
}

float GetF32(const uint8_t* bytes)
{
    return std::bit_cast<float>(GetU32(bytes));
}

// The message is whole and of the kind wanted.
bool IsMessage(const uint8_t* bytes, size_t size, GameMessageKind wanted)
{
    GameMessageKind kind;
    return ReadGameMessageKind(bytes, size, &kind) && kind == wanted;
}

} // namespace

bool ReadGameMessageKind(const uint8_t* bytes, size_t size, GameMessageKind* kind)
{
    if (bytes == nullptr || size == 0) {
        return false;
    }
    const uint8_t value = bytes[0] & 0x0F;
    if (value >= GAME_MESSAGE_KIND_COUNT || size < KIND_SIZES[value]) {
        return false;
    }
    *kind = static_cast<GameMessageKind>(value);
    return true;
}

size_t GameMessageSize(GameMessageKind kind)
{
    return kind < GAME_MESSAGE_KIND_COUNT ? KIND_SIZES[kind] : 0;
}

void ControlMessage::Pack(uint8_t bytes[CONTROL_MESSAGE_SIZE]) const
{
    bytes[0] = GAME_MESSAGE_CONTROL;
    bytes[1] = static_cast<uint8_t>((throttle & 0x03) | (steering & 0x03) << 2);
    bytes[2] = boost != 0 ? 1 : 0;
    bytes[3] = recovering != 0 ? 1 : 0;
}

bool ControlMessage::Unpack(const uint8_t* bytes, size_t size)
{
    if (!IsMessage(bytes, size, GAME_MESSAGE_CONTROL)) {
        return false;
    }
    throttle = bytes[1] & 0x03;
    steering = (bytes[1] >> 2) & 0x03;
    boost = bytes[2] != 0 ? 1 : 0;
    recovering = bytes[3] != 0 ? 1 : 0;
    return true;
}

bool ControlMessagesDiffer(const uint8_t a[CONTROL_MESSAGE_SIZE], const uint8_t b[CONTROL_MESSAGE_SIZE])
{
    return a[2] != b[2] || a[3] != b[3] || (a[1] & 0x0F) != (b[1] & 0x0F);
}

void MopedStateMessage::Pack(uint8_t bytes[MOPED_STATE_MESSAGE_SIZE]) const
{
    bytes[0] = GAME_MESSAGE_MOPED_STATE;
    for (size_t i = 0; i < 16; ++i) {
        PutF32(bytes + STATE_WORLD_OFFSET + 4 * i, world[i]);
    }
    for (size_t i = 0; i < 4; ++i) {
        PutF32(bytes + STATE_VELOCITY_OFFSET + 4 * i, velocity[i]);
    }
    PutF32(bytes + STATE_SPIN_OFFSET, rearTyreSpin);
    PutF32(bytes + STATE_TORQUE_OFFSET, driveTorque);
    PutF32(bytes + STATE_STEER_OFFSET, steerAngle);
}

bool MopedStateMessage::Unpack(const uint8_t* bytes, size_t size)
{
    if (!IsMessage(bytes, size, GAME_MESSAGE_MOPED_STATE)) {
        return false;
    }
    float values[23];
    for (size_t i = 0; i < 23; ++i) {
        values[i] = GetF32(bytes + STATE_WORLD_OFFSET + 4 * i);
        if (!std::isfinite(values[i])) {
            return false;
        }
    }
    for (size_t i = 0; i < 16; ++i) {
        world[i] = values[i];
    }
    for (size_t i = 0; i < 4; ++i) {
        velocity[i] = values[16 + i];
    }
    rearTyreSpin = values[20];
    driveTorque = values[21];
    steerAngle = values[22];
    return true;
}

void PlayerJoinedMessage::Pack(uint8_t bytes[PLAYER_JOINED_MESSAGE_SIZE]) const
{
    bytes[0] = GAME_MESSAGE_PLAYER_JOINED;
}

bool PlayerJoinedMessage::Unpack(const uint8_t* bytes, size_t size)
{
    return IsMessage(bytes, size, GAME_MESSAGE_PLAYER_JOINED);
}

void RaceStartMessage::Pack(uint8_t bytes[RACE_START_MESSAGE_SIZE]) const
{
    bytes[0] = GAME_MESSAGE_RACE_START;
}

bool RaceStartMessage::Unpack(const uint8_t* bytes, size_t size)
{
    return IsMessage(bytes, size, GAME_MESSAGE_RACE_START);
}

void TimeSyncMessage::Pack(uint8_t bytes[TIME_SYNC_MESSAGE_SIZE]) const
{
    bytes[0] = GAME_MESSAGE_TIME_SYNC;
    PutU32(bytes + 1, raceTimeMs);
}

bool TimeSyncMessage::Unpack(const uint8_t* bytes, size_t size)
{
    if (!IsMessage(bytes, size, GAME_MESSAGE_TIME_SYNC)) {
        return false;
    }
    raceTimeMs = GetU32(bytes + 1);
    return true;
}

void FinishedMessage::Pack(uint8_t bytes[FINISHED_MESSAGE_SIZE]) const
{
    bytes[0] = GAME_MESSAGE_FINISHED;
    PutU32(bytes + 1, totalTimeMs);
}

bool FinishedMessage::Unpack(const uint8_t* bytes, size_t size)
{
    if (!IsMessage(bytes, size, GAME_MESSAGE_FINISHED)) {
        return false;
    }
    totalTimeMs = GetU32(bytes + 1);
    return true;
}

void SessionAppData::Pack(uint8_t bytes[SESSION_APP_DATA_SIZE]) const
{
    bytes[0] = joinable;
    PutU32(bytes + 1, trackId);
}

bool SessionAppData::Unpack(const uint8_t* bytes, size_t size)
{
    if (bytes == nullptr || size < SESSION_APP_DATA_SIZE) {
        return false;
    }
    const uint32_t track = GetU32(bytes + 1);
    if (track >= TRACK_COUNT) {
        return false;
    }
    joinable = bytes[0];
    trackId = track;
    return true;
}

void PeerData::Pack(uint8_t bytes[PEER_DATA_SIZE]) const
{
    PutU32(bytes, joinOrder);
}

bool PeerData::Unpack(const uint8_t* bytes, size_t size)
{
    if (bytes == nullptr || size < PEER_DATA_SIZE) {
        return false;
    }
    joinOrder = GetU32(bytes);
    return true;
}
