#pragma once
// Another player of a network race as the race knows it: filled by the network
// handler under g_RaceLock, its moped made, driven and freed by the race's
// frames.

#include "race/GameMessages.h"
#include "race/RemoteMoped.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>

constexpr int OPPONENT_NAME_SIZE = 20;
// Six players per session.
constexpr int32_t MAX_OPPONENTS = 5;

struct Opponent {
    char name[OPPONENT_NAME_SIZE] = {}; // at most 19 characters
    uint32_t playerId = 0;
    int32_t joinOrder = 0;                                              // start-grid slot, the host's word
    std::deque<std::array<uint8_t, CONTROL_MESSAGE_SIZE>> controlQueue; // oldest first
    uint8_t lastState[MOPED_STATE_MESSAGE_SIZE] = {};
    bool stateReceived = false;         // lastState is newer than the moped's copy
    bool stateToApply = false;          // the moped still pulls toward its state
    bool forceNextState = false;        // the next pull is taken whole
    bool finished = false;              // completed the race here; the record outlives its removal
    bool removed = false;               // left or finished: the next frame frees the moped
    bool moved = false;                 // its slot changed; the moped moves next frame
    std::unique_ptr<RemoteMoped> moped; // null until the next frame makes it
};
