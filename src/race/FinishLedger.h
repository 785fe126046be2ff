#pragma once
// The opponents who raced against the local player, kept past the race's end
// for the results list: each of them finishes once, with a time that the race
// clock allows. A finish that is refused is logged once per sender.

#include "race/Opponent.h"

#include <array>
#include <cstddef>
#include <cstdint>

// How far a finish may lie beyond the local race clock: the start reaches the
// players a little apart, and clocks that count whole milliseconds per frame
// drift apart by a few per cent between machines of different frame rates.
constexpr uint32_t FINISH_CLOCK_SLACK_MS = 5000;
constexpr uint32_t FINISH_CLOCK_DRIFT_DIVISOR = 16;

class FinishLedger {
public:
    // A player on the grid; false when five are entered already.
    bool Enter(uint32_t playerId, const char* name);
    // A player who left before the start did not race.
    void Withdraw(uint32_t playerId);
    // True for the first finish of an entered player with a time above 0 and
    // within `raceClockMs` and its slack; *name is then the player's name.
    bool Count(uint32_t playerId, uint32_t timeMs, uint32_t raceClockMs, const char** name);

private:
    struct Entrant {
        uint32_t playerId = 0;
        char name[OPPONENT_NAME_SIZE] = {};
        bool finished = false;
        bool refusalLogged = false;
    };
    // Senders who were never entered, logged once each up to this many.
    static constexpr size_t STRANGERS_LOGGED = 8;

    Entrant* Find(uint32_t playerId);
    void LogStranger(uint32_t playerId);

    std::array<Entrant, MAX_OPPONENTS> entrants{};
    size_t entrantCount = 0;
    std::array<uint32_t, STRANGERS_LOGGED> strangers{};
    size_t strangerCount = 0;
};
